#pragma once
// The display order of a contact sheet sorted by one key. Texts (labels,
// file names, paths) are compared by the caller's comparison; sizes and
// dates come from one status query per file. Items whose keys are equal
// keep their order; files whose status cannot be read follow the others
// in their old order, in both directions.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pix {

class ThumbnailSheet;

enum class SortKey : uint8_t { Label, FileName, Path, Size, Created, Modified };
inline constexpr int kSortKeyCount = 6;

// Negative, zero or positive as a sorts before, with or after b.
using TextCompare = std::function<int(const std::string& a, const std::string& b)>;

// The new order (order[position] = item index).
std::vector<uint32_t> SortedOrder(const ThumbnailSheet& sheet, SortKey key, bool ascending,
                                  const TextCompare& compare);

}  // namespace pix
