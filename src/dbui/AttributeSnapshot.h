#pragma once
// The attribute tree read out of the database as plain strings, so that a
// worker can read it under the database lock and the window thread can
// show it afterwards without touching the database.

#include <string>
#include <vector>

#include "database/ImageDatabase.h"

namespace pix {

struct AttributeNode {
    int depth = 1;       // 1: right below "Attributes"
    std::string stored;  // the node string, flags included
    bool ticked = false;  // owner has the node
    std::string target;  // a link's target path
};

// Every owner's nodes, depth first, each parent's children in record
// order, with owner's ticks (none for an empty owner: an unreadable file).
std::vector<AttributeNode> ReadAttributeTree(const CImageDatabase& db, const std::string& owner);
// Whether owner has the node at each path ("Attributes", s1 … sn).
std::vector<bool> ReadTicks(const CImageDatabase& db, const std::string& owner, const std::vector<CStrList>& paths);

}  // namespace pix
