#include "sheets/SheetSort.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <system_error>
#include <thread>

#include "image/PhotoMetadata.h"
#include "sheets/Fields.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {

namespace {

// What a file sorts by: a group (photos without the date taken follow
// those with one) and a number within it.
struct NumericSortKey {
    int group = 0;
    long long value = 0;
};

// What a file sorts by; nothing when its status cannot be read.
std::optional<NumericSortKey> NumericKey(const std::string& path, SortKey key)
{
    FileStatus status;
    if (!QueryFileStatus(path, status))
        return std::nullopt;
    switch (key) {
    case SortKey::Size:
        return NumericSortKey{0, static_cast<long long>(status.size)};
    case SortKey::Created:
        return NumericSortKey{0, static_cast<long long>(status.created)};
    case SortKey::Taken:
        if (const std::time_t taken = ReadPhotoFacts(path).takenSeconds; taken != 0)
            return NumericSortKey{0, static_cast<long long>(taken)};
        return NumericSortKey{1, static_cast<long long>(status.modified)};
    default:
        return NumericSortKey{0, static_cast<long long>(status.modified)};
    }
}

// The numbers of every item's file. The status queries are what a large
// sheet's sort spends its time on, so a few threads share them.
std::vector<std::optional<NumericSortKey>> NumericKeys(const std::vector<std::string>& files, SortKey key)
{
    constexpr size_t kFilesPerThread = 2048;
    constexpr unsigned kMostThreads = 4;
    std::vector<std::optional<NumericSortKey>> values(files.size());
    const auto query = [&](size_t begin, size_t end) {
        for (size_t item = begin; item < end; ++item)
            values[item] = NumericKey(files[item], key);
    };
    const unsigned threads = static_cast<unsigned>(
        std::clamp<size_t>(files.size() / kFilesPerThread, 1, std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads)));
    const size_t share = (files.size() + threads - 1) / threads;
    std::vector<std::thread> helpers;
    size_t begin = share;  // the first share is this thread's
    try {
        for (; begin < files.size(); begin += share)
            helpers.emplace_back(query, begin, std::min(files.size(), begin + share));
    } catch (const std::system_error&) {
        query(begin, files.size());  // no more threads: the rest here
    }
    query(0, std::min(files.size(), share));
    for (std::thread& helper : helpers)
        helper.join();
    return values;
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

    const std::vector<std::optional<NumericSortKey>> values = NumericKeys(sheet.Files(), key);
    std::vector<uint32_t> order = sheet.Order();
    // Readable files first, so that an unreadable one never has to
    // compare as equal to everything.
    const auto unreadable = std::stable_partition(order.begin(), order.end(),
                                                  [&](uint32_t item) { return values[item].has_value(); });
    std::stable_sort(order.begin(), unreadable, [&](uint32_t a, uint32_t b) {
        const NumericSortKey& ka = *values[a];
        const NumericSortKey& kb = *values[b];
        if (ka.group != kb.group)
            return ka.group < kb.group;
        return ascending ? ka.value < kb.value : ka.value > kb.value;
    });
    return order;
}

}  // namespace pix
