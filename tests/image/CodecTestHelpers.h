#pragma once
// Pictures, file pieces and failure injection shared by the codec tests.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix::test {

// Makes every write past maxBytes of one file fail (EFBIG), as a full disk
// would, until destroyed. Works for root too, unlike permissions.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t maxBytes)
    {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = maxBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

inline uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The data of every chunk of a type in a PNG file, one after the other.
inline std::vector<uint8_t> ChunkData(const std::vector<uint8_t>& png, std::string_view type)
{
    std::vector<uint8_t> data;
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + size_t{BigEndian32(png.data() + at)})
        if (std::memcmp(png.data() + at + 4, type.data(), 4) == 0)
            data.insert(data.end(), png.begin() + static_cast<long>(at + 8),
                        png.begin() + static_cast<long>(at + 8 + BigEndian32(png.data() + at)));
    return data;
}

// A PNG chunk with its length and CRC (spoilt when goodCrc is false).
inline std::vector<uint8_t> Chunk(std::string_view type, const std::vector<uint8_t>& data, bool goodCrc = true)
{
    std::vector<uint8_t> c;
    for (int shift : {24, 16, 8, 0})
        c.push_back(static_cast<uint8_t>(data.size() >> shift));
    c.insert(c.end(), type.begin(), type.end());
    c.insert(c.end(), data.begin(), data.end());
    const uLong crc = crc32(0, c.data() + 4, static_cast<uInt>(c.size() - 4)) ^ (goodCrc ? 0 : 1);
    for (int shift : {24, 16, 8, 0})
        c.push_back(static_cast<uint8_t>(crc >> shift));
    return c;
}

// A PNG file with chunk inserted right after the header chunk.
inline std::vector<uint8_t> WithChunk(std::vector<uint8_t> png, const std::vector<uint8_t>& chunk)
{
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());
    return png;
}

// Offset of the first JPEG segment with the marker, or 0.
inline size_t FindSegment(const std::vector<uint8_t>& jpeg, uint8_t marker)
{
    for (size_t at = 2; at + 4 <= jpeg.size(); at += 2 + ((size_t{jpeg[at + 2]} << 8) | jpeg[at + 3]))
        if (jpeg[at] == 0xFF && jpeg[at + 1] == marker)
            return at;
    return 0;
}

// An EXIF block (its TIFF header first) whose only entry is the orientation.
inline std::vector<uint8_t> ExifBlock(uint8_t orientation)
{
    return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 3, 0, 1, 0, 0, 0, orientation, 0, 0, 0, 0, 0, 0, 0};
}

// A JPEG file with a segment (its marker, then data) right after the start
// marker.
inline std::vector<uint8_t> WithSegment(std::vector<uint8_t> jpeg, uint8_t marker, const std::vector<uint8_t>& data)
{
    const size_t length = data.size() + 2;
    std::vector<uint8_t> segment = {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    segment.insert(segment.end(), data.begin(), data.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// A JPEG file with an APP1 segment whose EXIF block tells the orientation.
inline std::vector<uint8_t> WithExifOrientation(std::vector<uint8_t> jpeg, uint8_t orientation)
{
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    const std::vector<uint8_t> exif = ExifBlock(orientation);
    app1.insert(app1.end(), exif.begin(), exif.end());
    return WithSegment(std::move(jpeg), 0xE1, app1);
}

// The pixels top row first, red, green, blue.
inline std::vector<uint8_t> TopDownRgb(const CImageBuffer& buf)
{
    std::vector<uint8_t> out;
    for (uint32_t y = buf.Height(); y-- > 0;)
        for (uint32_t x = 0; x < buf.Width(); ++x) {
            uint8_t r, g, b;
            buf.GetPixel(x, y, r, g, b);
            out.insert(out.end(), {r, g, b});
        }
    return out;
}

// The largest difference of one channel of a pixel in two pictures of one
// size.
inline int LargestDifference(const CImageBuffer& a, const CImageBuffer& b)
{
    int most = 0;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t x = 0; x < a.Width() * 3; ++x)
            most = std::max(most, std::abs(a.Row(y)[x] - b.Row(y)[x]));
    return most;
}

// The mean difference of two pictures of one size, per channel.
inline double MeanDifference(const CImageBuffer& a, const CImageBuffer& b)
{
    double sum = 0;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t x = 0; x < a.Width() * 3; ++x)
            sum += std::abs(a.Row(y)[x] - b.Row(y)[x]);
    return sum / (a.Width() * 3.0 * a.Height());
}

}  // namespace pix::test
