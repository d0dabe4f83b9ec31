#include "sheets/SheetSort.h"

#include <algorithm>
#include <optional>

#include "sheets/Fields.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {

namespace {

// The number a file sorts by; nothing when its status cannot be read.
std::optional<long long> NumericKey(const std::string& path, SortKey key)
{
    FileStatus status;
    if (!QueryFileStatus(path, status))
        return std::nullopt;
    switch (key) {
    case SortKey::Size:
        return static_cast<long long>(status.size);
    case SortKey::Created:
        return static_cast<long long>(status.created);
    default:
        return static_cast<long long>(status.modified);
    }
}

}  // namespace

std::vector<std::string> TextSortKeys(const ThumbnailSheet& sheet, SortKey key)
{
    if (key == SortKey::Label)
        return sheet.Labels();
    if (key == SortKey::Path)
        return sheet.Files();
    std::vector<std::string> names;
    names.reserve(sheet.Count());
    for (const std::string& path : sheet.Files())
        names.push_back(ThumbnailSheet::FileNameOf(path));
    return names;
}

std::vector<uint32_t> SortedOrder(const ThumbnailSheet& sheet, SortKey key, bool ascending,
                                  const ItemCompare& compareTexts)
{
    if (IsTextKey(key)) {
        std::vector<uint32_t> order = sheet.Order();
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int c = compareTexts(a, b);
            return ascending ? c < 0 : c > 0;
        });
        return order;
    }

    std::vector<std::optional<long long>> values(sheet.Count());
    for (size_t item = 0; item < sheet.Count(); ++item)
        values[item] = NumericKey(sheet.Files()[item], key);
    std::vector<uint32_t> order = sheet.Order();
    // Readable files first, so that an unreadable one never has to
    // compare as equal to everything.
    const auto unreadable = std::stable_partition(order.begin(), order.end(),
                                                  [&](uint32_t item) { return values[item].has_value(); });
    std::stable_sort(order.begin(), unreadable, [&](uint32_t a, uint32_t b) {
        return ascending ? *values[a] < *values[b] : *values[a] > *values[b];
    });
    return order;
}

}  // namespace pix
