#pragma once
// Contact sheets for the tests of the sheet, render and CLI layers.

#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/Archive.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/ImageListStream.h"
#include "sheets/ThumbnailMaker.h"
#include "sheets/ThumbnailSheet.h"
#include "support/TestSupport.h"

namespace pix::test {

// Records every call, reads no file. A picture's red channel is 40 × the
// call's number (1 for the first), the rest 90; on request it is of the
// wrong size.
class FakeMaker final : public ThumbnailMaker {
public:
    using Call = std::tuple<std::string, uint32_t, uint32_t, bool>;  // path, cx, cy, load
    std::vector<Call> calls;
    bool wrongSize = false;

    std::vector<uint8_t> MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load) override
    {
        calls.emplace_back(path, cx, cy, load);
        std::vector<uint8_t> p(wrongSize ? 5 : size_t{3} * cx * cy, 90);
        for (size_t i = 0; i < p.size(); i += 3)
            p[i] = static_cast<uint8_t>(40 * calls.size());
        return p;
    }
    // Whether each call was allowed to read its file.
    std::vector<bool> Loads() const
    {
        std::vector<bool> loads;
        for (const Call& call : calls)
            loads.push_back(std::get<3>(call));
        return loads;
    }
};

// A sheet of the files with 8 × 8 pictures and the given label text.
inline ThumbnailSheet SheetOf(const std::vector<std::string>& files, const std::string& label = "[FileName]")
{
    ThumbnailSheet sheet;
    sheet.Settings().label = label;
    FakeMaker maker;
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
