#include "sheets/NewSheet.h"

#include <algorithm>
#include <cstdint>

#include "common/Prompter.h"
#include "sheets/PageLayout.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {

uint32_t ChooseThumbnailSide(uint64_t available, size_t n, uint32_t formatSide, Prompter& prompter)
{
    constexpr uint64_t kReserve = 0x400000;
    if (available < kReserve) {
        prompter.Show(MsgId::NotEnoughMemory);
        return 0;
    }
    const uint64_t count = n == 0 ? 1 : n;
    const uint64_t per = (available - kReserve) / (4 * count);
    auto side = static_cast<uint64_t>(IntegerSqrt(static_cast<int64_t>(std::min<uint64_t>(per, INT64_MAX))));
    const uint64_t limit = 100000 / (count + 1);
    if (limit < side)
        side = limit;
    if (side == 0) {
        prompter.Show(MsgId::NotEnoughMemoryFewerFiles);
        return 0;
    }
    if (side < formatSide) {
        const auto shown = static_cast<long long>(side);
        if (prompter.Show(MsgId::ThumbnailsReduced, {shown, shown}) != Answer::Ok)
            return 0;
        return static_cast<uint32_t>(side);
    }
    return formatSide;
}

bool MakeNewSheet(ThumbnailSheet& sheet, const std::vector<std::string>& paths, const SettingsStore& store,
                  uint64_t availableMemory, ThumbnailMaker& maker, Progress& progress, Prompter& prompter)
{
    sheet.Settings().LoadFromRegistry(store);
    if (paths.empty())
        return true;
    const auto formatSide = static_cast<uint32_t>(sheet.Settings().tmbSiz > 0 ? sheet.Settings().tmbSiz : 1);
    const uint32_t side = ChooseThumbnailSide(availableMemory, paths.size(), formatSide, prompter);
    if (side == 0)
        return false;
    return sheet.FillFromFiles(paths, side, maker, progress);
}

}  // namespace pix
