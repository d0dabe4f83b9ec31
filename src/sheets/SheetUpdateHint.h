#pragma once
// The hints a contact sheet sends its views with every change of its item
// list: kind × 65536 + (position AND 0xFFFF). A hint of 0 means the format
// changed.

#include <cstddef>
#include <cstdint>

namespace pix {

enum class SheetChange : uint32_t {
    FormatChanged = 0,
    ItemRemoved = 1,
    ItemChanged = 2,       // the item at the position has a new path
    ItemInserted = 4,
    SelectionChanged = 8,  // sent by one view to the others
    RefreshAll = 16,       // every label and picture may have changed
};

constexpr uint32_t SheetHint(SheetChange kind, size_t position = 0)
{
    return static_cast<uint32_t>(kind) * 65536u + static_cast<uint32_t>(position & 0xFFFF);
}

inline constexpr uint32_t kHintFormatChanged = 0;
inline constexpr uint32_t kHintRefreshAll = SheetHint(SheetChange::RefreshAll);  // 0x100000

constexpr SheetChange HintKind(uint32_t hint) { return static_cast<SheetChange>(hint >> 16); }
constexpr uint32_t HintPosition(uint32_t hint) { return hint & 0xFFFF; }

}  // namespace pix
