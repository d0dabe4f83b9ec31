#include "database/Attributes.h"

#include <algorithm>
#include <unordered_set>

#include "common/Prompter.h"

namespace pix {
namespace {

CStrList Prepend(const std::string& head, const CStrList& tail)
{
    CStrList out;
    out.reserve(tail.size() + 1);
    out.push_back(head);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

CStrList Append(CStrList list, const std::string& tail)
{
    list.push_back(tail);
    return list;
}

bool Includes(const CImageDatabase& db, const std::string& query, const std::string& file)
{
    return db.SubtreeIncludes({query, kAttributesNode}, {file, kAttributesNode});
}

}  // namespace

std::string EncodeNode(int flags, const std::string& label)
{
    if (flags == 0)
        return label;
    std::string stored = "@";
    stored += std::to_string(flags);
    stored += label;
    return stored;
}

NodeString SplitNode(const std::string& stored)
{
    if (stored.size() >= 2 && stored[0] == '@') {
        const char digit = stored[1];
        return {digit >= '0' && digit <= '9' ? digit - '0' : 0, stored.substr(2)};
    }
    return {0, stored};
}

std::vector<std::string> ChildNodes(const CImageDatabase& db, const CStrList& path)
{
    if (path.empty())
        return {};
    const CStrList parent(path.begin(), path.end() - 1);
    return DistinctValues(db, parent, path.back(), false, 1);
}

bool OwnerHasNode(const CImageDatabase& db, const std::string& owner, const CStrList& path)
{
    CDbCursor cursor;
    cursor.SetKey(Prepend(owner, path));
    return db.Exists(cursor, "", 0);
}

void TickNode(CImageDatabase& db, const std::string& owner, const CStrList& path)
{
    CDbCursor cursor;
    cursor.SetKey(Prepend(owner, path));
    db.Insert(cursor, "");
}

void UntickNode(CImageDatabase& db, const std::string& owner, const CStrList& path, int start)
{
    CDbCursor cursor;
    cursor.SetKey(Prepend(owner, path));
    db.Delete(cursor, "", start);
}

LabelEdit CommitNodeLabel(CImageDatabase& db, Prompter& prompter, const std::string& owner,
                          const CStrList& parentPath, int flags, const std::string& oldLabel,
                          const std::string& newLabel, bool isNew)
{
    if (newLabel.empty() || (!isNew && newLabel == oldLabel))
        return LabelEdit::Unchanged;
    const bool owned = flags & kNodeOwned;
    CStrList oldPath = Append(parentPath, EncodeNode(flags, oldLabel));
    CStrList newPath = Append(parentPath, EncodeNode(flags, newLabel));
    if (owned) {
        oldPath = Prepend(owner, oldPath);
        newPath = Prepend(owner, newPath);
    }
    // A path with its owner in front sits at the record start, a shared
    // one right after the owner.
    CDbCursor cursor;
    cursor.SetKey(newPath);
    if (db.Exists(cursor, "", owned ? 0 : 1)) {
        prompter.Show(MsgId::AttributeExists);
        return LabelEdit::Duplicate;
    }
    if (isNew) {
        cursor.SetKey(owned ? newPath : Prepend(owner, newPath));
        db.Insert(cursor, "");
        return LabelEdit::Added;
    }
    db.Replace(oldPath, newPath);
    return LabelEdit::Renamed;
}

bool DeleteNode(CImageDatabase& db, Prompter& prompter, const std::string& owner, const CStrList& path,
                int flags)
{
    if (path.empty())
        return false;
    CDbCursor cursor;
    if (flags & kNodeOwned) {
        cursor.SetKey(Prepend(owner, path));
        db.Delete(cursor, "", 0);
        return true;
    }
    if (prompter.Show(MsgId::ConfirmDeleteAttribute, {SplitNode(path.back()).label}) != Answer::Ok)
        return false;
    cursor.SetKey(path);
    db.Delete(cursor, "", 1);
    return true;
}

bool AddLink(CImageDatabase& db, const std::string& owner, const CStrList& path, const std::string& target,
             bool fileIsCurrent)
{
    const size_t slash = target.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    CStrList record = Prepend(owner, path);
    record.push_back(EncodeNode(fileIsCurrent ? kNodeOwned | kNodeLeaf | kNodeLink : kNodeLeaf | kNodeLink, name));
    record.push_back(kLinkTargetNode);
    CDbCursor cursor;
    cursor.SetKey(record);
    if (db.Exists(cursor, target, 0))
        return false;
    db.Insert(cursor, target);
    return true;
}

std::string LinkTarget(const CImageDatabase& db, const std::string& owner, const CStrList& path, int flags)
{
    const bool owned = flags & kNodeOwned;
    CDbCursor cursor;
    cursor.SetKey(owned ? Prepend(owner, path) : path);
    if (!db.FindFirst(cursor, kLinkTargetNode, false, owned ? 0 : 1))
        return {};
    return db.GetNext(cursor);
}

bool MoveNode(CImageDatabase& db, const CStrList& from, const CStrList& to)
{
    if (from.empty() || (to.size() >= from.size() && std::equal(from.begin(), from.end(), to.begin())))
        return false;
    const CStrList newPath = Append(to, from.back());
    CDbCursor cursor;
    cursor.SetKey(newPath);
    if (db.Exists(cursor, "", 1))
        return false;
    db.Replace(from, newPath);
    return true;
}

std::vector<std::string> Owners(const CImageDatabase& db) { return DistinctValues(db, {}, "", false, -1); }

bool AutoFillIn(CImageDatabase& db, const std::string& owner)
{
    for (const auto& other : Owners(db)) {
        // Only files give their attributes: not the pane's "none" nor the
        // dialog's query.
        if (other == owner || other == kNoFileOwner || other == kTemplateOwner || !Includes(db, owner, other))
            continue;
        db.CopySubtree({owner, kAttributesNode}, {other, kAttributesNode});
        return true;
    }
    return false;
}

std::string StoredPath(const CImageDatabase& db, const std::string& key)
{
    CDbCursor cursor;
    cursor.SetKey({key, "path"});
    return db.FindFirst(cursor, "", false, 0) ? db.GetNext(cursor) : std::string();
}

std::string KeyOfPath(const CImageDatabase& db, const std::string& path)
{
    CDbCursor cursor;
    cursor.SetKey({"path"});
    return db.FindFirst(cursor, path, true, 1) ? db.GetNext(cursor) : std::string();
}

void AddMatchingFiles(const CImageDatabase& db, const std::string& queryOwner, std::vector<std::string>& selection)
{
    // A set of what is there already keeps this linear in large selections.
    std::unordered_set<std::string> present(selection.begin(), selection.end());
    for (const auto& owner : Owners(db)) {
        if (!Includes(db, queryOwner, owner))
            continue;
        std::string path = StoredPath(db, owner);
        if (!path.empty() && present.insert(path).second)
            selection.push_back(std::move(path));
    }
}

void RemoveMatchingFiles(const CImageDatabase& db, const std::string& queryOwner,
                         std::vector<std::string>& selection)
{
    std::erase_if(selection, [&](const std::string& path) {
        const std::string owner = KeyOfPath(db, path);
        return !owner.empty() && Includes(db, queryOwner, owner);
    });
}

}  // namespace pix
