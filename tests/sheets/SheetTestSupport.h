#pragma once
// Contact sheets for the tests of the sheet, render and CLI layers.

#include <string>
#include <vector>

#include "sheets/ThumbnailMaker.h"
#include "sheets/ThumbnailSheet.h"
#include "support/TestSupport.h"

namespace pix::test {

// Black list pictures, without reading the files.
class BlankMaker final : public ThumbnailMaker {
public:
    std::vector<uint8_t> MakeThumbnail(const std::string&, uint32_t cx, uint32_t cy, bool) override
    {
        return std::vector<uint8_t>(size_t{3} * cx * cy);
    }
};

// A sheet of the files with 8 × 8 black pictures and the given label text.
inline ThumbnailSheet SheetOf(const std::vector<std::string>& files, const std::string& label = "[FileName]")
{
    ThumbnailSheet sheet;
    sheet.Settings().label = label;
    BlankMaker maker;
    RecordingProgress progress;
    EXPECT_TRUE(sheet.FillFromFiles(files, 8, maker, progress));
    return sheet;
}

}  // namespace pix::test
