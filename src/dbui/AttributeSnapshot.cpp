#include "dbui/AttributeSnapshot.h"

#include "database/Attributes.h"

namespace pix {
namespace {

void ReadBelow(const CImageDatabase& db, const std::string& owner, CStrList& path, std::vector<AttributeNode>& out)
{
    const int depth = static_cast<int>(path.size());
    for (const std::string& stored : ChildNodes(db, path)) {
        const int flags = SplitNode(stored).flags;
        if (flags & kNodeTarget)
            continue;
        path.push_back(stored);
        AttributeNode node;
        node.depth = depth;
        node.stored = stored;
        node.ticked = !owner.empty() && OwnerHasNode(db, owner, path);
        if (flags & kNodeLink)
            node.target = LinkTarget(db, owner, path, flags);
        out.push_back(std::move(node));
        if (!(flags & kNodeLeaf))
            ReadBelow(db, owner, path, out);
        path.pop_back();
    }
}

}  // namespace

std::vector<AttributeNode> ReadAttributeTree(const CImageDatabase& db, const std::string& owner)
{
    std::vector<AttributeNode> out;
    CStrList path{kAttributesNode};
    ReadBelow(db, owner, path, out);
    return out;
}

std::vector<bool> ReadTicks(const CImageDatabase& db, const std::string& owner, const std::vector<CStrList>& paths)
{
    std::vector<bool> ticks;
    ticks.reserve(paths.size());
    for (const CStrList& path : paths)
        ticks.push_back(!owner.empty() && OwnerHasNode(db, owner, path));
    return ticks;
}

}  // namespace pix
