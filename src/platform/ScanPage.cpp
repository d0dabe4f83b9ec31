#include "platform/ScanPage.h"

#include <algorithm>
#include <cstring>

namespace pix {
namespace {

enum Kind { kGrey, kColour, kLineArt };

uint8_t Sample16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);  // native byte order
    return static_cast<uint8_t>(v >> 8);
}

// Sample i of a row of samples of depth bits (1 bit: set = full intensity).
uint8_t Sample(const uint8_t* row, size_t i, int depth)
{
    if (depth == 8)
        return row[i];
    if (depth == 16)
        return Sample16(row + 2 * i);
    return (row[i / 8] & (0x80 >> (i % 8))) ? 255 : 0;
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

bool ScanPageBuilder::BeginFrame(const ScanFrameFormat& format, std::string& error)
{
    const int channels = format.format == static_cast<int>(ScanFrame::Rgb) ? 3 : 1;
    if (format.format < 0 || format.format > static_cast<int>(ScanFrame::Blue)) {
        error = "the scanner sends a kind of frame we cannot read";
        return false;
    }
    if (format.depth != 1 && format.depth != 8 && format.depth != 16) {
        error = "the scanner sends samples of an unusual depth";
        return false;
    }
    const uint64_t needed = (uint64_t(format.pixelsPerLine) * channels * format.depth + 7) / 8;
    if (format.pixelsPerLine <= 0 || format.lines == 0 || format.lines < -1 || format.bytesPerLine <= 0 ||
        uint64_t(format.bytesPerLine) < needed ||
        uint64_t(format.pixelsPerLine) * uint64_t(std::max(format.lines, 1)) > kMaxScanPixels) {
        error = "the scanner reports impossible page sizes";
        return false;
    }
    const bool pass = format.format >= static_cast<int>(ScanFrame::Red);
    if (!started_) {
        kind_ = pass || channels == 3 ? kColour : format.depth == 1 ? kLineArt : kGrey;
        rowBytes_ = kind_ == kColour ? 3 * size_t(format.pixelsPerLine)
                    : kind_ == kGrey ? size_t(format.pixelsPerLine)
                                     : (size_t(format.pixelsPerLine) + 7) / 8;
        pixels_.clear();
        height_ = 0;
        failed_ = complete_ = false;
        started_ = true;
    } else if (!pass || kind_ != kColour || format.pixelsPerLine != format_.pixelsPerLine ||
               (format.lines != -1 && format.lines != height_)) {
        error = "the scanner's frames of one page do not match";
        return false;
    }
    format_ = format;
    channel_ = pass ? format.format - static_cast<int>(ScanFrame::Red) : -1;
    frameRows_ = 0;
    partial_.clear();
    return true;
}

void ScanPageBuilder::Add(const uint8_t* data, size_t size)
{
    const size_t line = size_t(format_.bytesPerLine);
    while (size > 0) {
        if (partial_.empty() && size >= line) {
            AddRow(data);
            data += line;
            size -= line;
            continue;
        }
        const size_t take = std::min(size, line - partial_.size());
        partial_.insert(partial_.end(), data, data + take);
        data += take;
        size -= take;
        if (partial_.size() == line) {
            AddRow(partial_.data());
            partial_.clear();
        }
    }
}

void ScanPageBuilder::AddRow(const uint8_t* row)
{
    if (format_.lines != -1 && frameRows_ >= format_.lines)
        return;  // past the announced rows
    const size_t y = size_t(frameRows_);
    if ((y + 1) * rowBytes_ > pixels_.size()) {
        // A later pass may not add rows the first did not have.
        if (channel_ >= 0 && passes_ != 0)
            return;
        pixels_.resize((y + 1) * rowBytes_, 0);
    }
    uint8_t* out = pixels_.data() + y * rowBytes_;
    const size_t width = size_t(format_.pixelsPerLine);
    const int depth = format_.depth;
    if (kind_ == kLineArt) {
        std::memcpy(out, row, rowBytes_);
    } else if (channel_ >= 0) {
        for (size_t x = 0; x < width; ++x)
            out[3 * x + size_t(channel_)] = Sample(row, x, depth);
    } else if (depth == 8) {
        std::memcpy(out, row, rowBytes_);
    } else {
        for (size_t i = 0; i < rowBytes_; ++i)
            out[i] = Sample(row, i, depth);
    }
    ++frameRows_;
}

bool ScanPageBuilder::EndFrame()
{
    const int rows = frameRows_;
    if (passes_ == 0 && format_.lines == -1)
        height_ = rows;
    else if (passes_ == 0)
        height_ = format_.lines;
    if (rows == 0 || rows < height_)
        failed_ = true;
    if (channel_ >= 0)
        passes_ |= 1 << channel_;
    if (format_.lastFrame) {
        complete_ = !failed_ && (channel_ < 0 || passes_ == 7);
        started_ = false;
        passes_ = 0;
    }
    return !failed_;
}

std::vector<uint8_t> ScanPageBuilder::TakePackedDib()
{
    std::vector<uint8_t> dib;
    if (!complete_)
        return dib;
    const uint32_t width = uint32_t(format_.pixelsPerLine);
    const uint32_t bpp = kind_ == kColour ? 24 : kind_ == kGrey ? 8 : 1;
    const uint32_t colours = kind_ == kColour ? 0 : kind_ == kGrey ? 256 : 2;
    const size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
    dib.reserve(40 + 4 * colours + stride * size_t(height_));
    for (uint32_t v : {40u, width, uint32_t(height_)})
        Put32(dib, v);
    dib.insert(dib.end(), {1, 0, static_cast<uint8_t>(bpp), 0});
    for (uint32_t v : {0u, uint32_t(stride * size_t(height_)), 0u, 0u, colours, 0u})
        Put32(dib, v);
    for (uint32_t i = 0; i < colours; ++i) {
        // Line art: 0 white, 1 black.
        const uint8_t level = colours == 2 ? static_cast<uint8_t>(i ? 0 : 255) : static_cast<uint8_t>(i);
        dib.insert(dib.end(), {level, level, level, 0});
    }
    const size_t pixelStart = dib.size();
    dib.resize(pixelStart + stride * size_t(height_), 0);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* in = pixels_.data() + size_t(y) * rowBytes_;
        uint8_t* out = dib.data() + pixelStart + size_t(height_ - 1 - y) * stride;
        if (kind_ != kColour) {
            std::memcpy(out, in, rowBytes_);
            continue;
        }
        for (size_t x = 0; x < width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    pixels_.clear();
    pixels_.shrink_to_fit();
    complete_ = false;
    return dib;
}

}  // namespace pix
