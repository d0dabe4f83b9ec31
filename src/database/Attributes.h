#pragma once
// The record operations behind the attribute tree: every owner (a file's
// content key, "none" or "template") stores (owner, "Attributes", s1 … sn)
// for each node it has; links carry their target under "@8Path".

#include <string>
#include <vector>

#include "database/ImageDatabase.h"

namespace pix {

class Prompter;

inline constexpr const char* kAttributesNode = "Attributes";
inline constexpr const char* kLinkTargetNode = "@8Path";
inline constexpr const char* kNoFileOwner = "none";
inline constexpr const char* kTemplateOwner = "template";

// Node flags.
inline constexpr int kNodeOwned = 1;  // paths start with the owner key
inline constexpr int kNodeLeaf = 2;   // nothing can be added below
inline constexpr int kNodeLink = 4;   // opens its target
inline constexpr int kNodeTarget = 8;

struct NodeString {
    int flags = 0;
    std::string label;
};
// "@" + flag digit + label when flags is not 0, else the label.
std::string EncodeNode(int flags, const std::string& label);
NodeString SplitNode(const std::string& stored);

// The distinct node strings below path ("Attributes", s1 … sk) over every
// owner, in record order.
std::vector<std::string> ChildNodes(const CImageDatabase& db, const CStrList& path);
// Whether owner has the node at path.
bool OwnerHasNode(const CImageDatabase& db, const std::string& owner, const CStrList& path);

// Ticking stores the node (and so its ancestors) for owner.
void TickNode(CImageDatabase& db, const std::string& owner, const CStrList& path);
// Unticking removes the node and everything below it for owner; start 0
// (the pane) matches from the record start, -1 (the dialog) anywhere.
void UntickNode(CImageDatabase& db, const std::string& owner, const CStrList& path, int start);

enum class LabelEdit { Unchanged, Duplicate, Added, Renamed };
// Ends the editing of a label below parentPath: a new node (oldLabel
// empty and isNew) is stored for owner, an existing one is renamed for
// every owner. A label already present reports "The attribute already
// exists." and changes nothing; an empty label changes nothing.
LabelEdit CommitNodeLabel(CImageDatabase& db, Prompter& prompter, const std::string& owner,
                          const CStrList& parentPath, int flags, const std::string& oldLabel,
                          const std::string& newLabel, bool isNew);

// Deletes the node at path: for every owner after the question, or, for a
// node of one owner (flag 1), for that owner without asking. True when
// something was deleted.
bool DeleteNode(CImageDatabase& db, Prompter& prompter, const std::string& owner, const CStrList& path,
                int flags);

// Adds a link to target below path unless the same link exists; the link
// belongs to owner (flags 7) when a file is current, else it is shared
// (flags 6). True when it was added.
bool AddLink(CImageDatabase& db, const std::string& owner, const CStrList& path, const std::string& target,
             bool fileIsCurrent);
// The target of the link node at path, or empty.
std::string LinkTarget(const CImageDatabase& db, const std::string& owner, const CStrList& path, int flags);

// Moves the node at from below the node at to (neither with an owner).
// False when to lies at or below from, or a node of that name exists there.
bool MoveNode(CImageDatabase& db, const CStrList& from, const CStrList& to);

// Gives owner every attribute of the first other file (not "none" nor
// "template") whose attributes include all of owner's. True when one was found.
bool AutoFillIn(CImageDatabase& db, const std::string& owner);

// Every owner, in record order.
std::vector<std::string> Owners(const CImageDatabase& db);
// The first stored path of a file's key, or empty.
std::string StoredPath(const CImageDatabase& db, const std::string& key);
// The key stored for path, or empty.
std::string KeyOfPath(const CImageDatabase& db, const std::string& path);

// The attribute query of the dialog: adds to selection the stored path of
// every file whose attributes include all of queryOwner's, unless listed.
void AddMatchingFiles(const CImageDatabase& db, const std::string& queryOwner, std::vector<std::string>& selection);
// Takes those files off the selection again.
void RemoveMatchingFiles(const CImageDatabase& db, const std::string& queryOwner,
                         std::vector<std::string>& selection);

}  // namespace pix
