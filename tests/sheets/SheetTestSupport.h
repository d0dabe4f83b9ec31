#pragma once
// Contact sheets for the tests of the sheet, render and CLI layers.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/Archive.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/ImageListStream.h"
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

// Bytes from a string of hexadecimal digits (a golden file in the source).
inline std::vector<uint8_t> FromHex(std::string_view hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// The parts one after the other.
inline std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> bytes;
    for (const auto& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

// The stored record of a thumbnail format, and the stored block of a list.
inline std::vector<uint8_t> RecordOf(const CThumbnailSettings& format)
{
    ArchiveWriter out;
    format.Serialize(out);
    return out.Bytes();
}

inline std::vector<uint8_t> ListOf(const ThumbnailList& list)
{
    ArchiveWriter out;
    WriteImageList(list, out);
    return out.Bytes();
}

}  // namespace pix::test
