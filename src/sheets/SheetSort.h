#pragma once
// The display order of a contact sheet sorted by one key. Texts (labels,
// file names, paths) are compared by the caller's comparison of two items,
// which can prepare its keys once per item (TextSortKeys); sizes and dates
// come from one status query per file. Items whose keys are equal keep
// their order; files whose status cannot be read follow the others in
// their old order, in both directions.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pix {

class ThumbnailSheet;

// Taken: the date a photo was taken; photos without one follow those with
// one, by their modification date, in either direction.
enum class SortKey : uint8_t { Label, FileName, Path, Size, Created, Modified, Taken };
inline constexpr int kSortKeyCount = 7;

// Whether key sorts by text (a label, file name or path).
constexpr bool IsTextKey(SortKey key)
{
    return key == SortKey::Label || key == SortKey::FileName || key == SortKey::Path;
}

// The text each item sorts by under a text key, by item index.
std::vector<std::string> TextSortKeys(const ThumbnailSheet& sheet, SortKey key);

// Negative, zero or positive as item a sorts before, with or after item b
// (item indices).
using ItemCompare = std::function<int(uint32_t a, uint32_t b)>;

// The new order (order[position] = item index); compareTexts serves the
// text keys only.
std::vector<uint32_t> SortedOrder(const ThumbnailSheet& sheet, SortKey key, bool ascending,
                                  const ItemCompare& compareTexts);

}  // namespace pix
