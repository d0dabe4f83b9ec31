#include "image/BmpRowWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "common/ByteReader.h"
#include "image/BmpHeader.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"

namespace pix {
namespace {

constexpr off_t kHeaderBytes = 54;

}  // namespace

bool BmpRowWriter::Open(const std::string& path, uint32_t width, uint32_t height)
{
    height_ = height;
    stride_ = StrideFor(width);
    rowsPut_ = chunkRows_ = 0;
    failed_ = true;
    if (width == 0 || height == 0 || !SizeAllowed(width, height) || !file_.Open(path))
        return false;
    const std::vector<uint8_t> header = BmpTrueColorHeader(width, height);
    chunk_.assign(std::max(stride_, kLargeBlockBytes), 0);
    failed_ = !file_.Write(header.data(), header.size()) || std::fflush(file_.Stream()) != 0;
    return !failed_;
}

uint8_t* BmpRowWriter::Row(uint32_t y)
{
    if (y >= height_ || failed_)
        return nullptr;
    // The chunk fills from its end: row y sits just below the rows gathered.
    const size_t capacity = chunk_.size() / stride_;
    if (chunkRows_ > 0 && (y + 1 != chunkLow_ || chunkRows_ == capacity) && !Flush())
        return nullptr;
    chunkLow_ = y;
    ++chunkRows_;
    ++rowsPut_;
    return chunk_.data() + (capacity - chunkRows_) * stride_;
}

bool BmpRowWriter::Flush()
{
    const size_t capacity = chunk_.size() / stride_;
    const size_t bytes = chunkRows_ * stride_;
    const uint8_t* from = chunk_.data() + (capacity - chunkRows_) * stride_;
    off_t at = kHeaderBytes + static_cast<off_t>(chunkLow_) * static_cast<off_t>(stride_);
    chunkRows_ = 0;
    for (size_t done = 0; done < bytes;) {
        const ssize_t n = ::pwrite(::fileno(file_.Stream()), from + done, bytes - done, at);
        if (n <= 0) {
            failed_ = true;
            file_.Discard();
            return false;
        }
        done += size_t(n);
        at += n;
    }
    return true;
}

bool BmpRowWriter::Commit()
{
    if (failed_ || (chunkRows_ > 0 && !Flush()))
        return false;
    // Every row written once, in any order, fills the file exactly.
    failed_ = true;  // one commit per Open
    if (rowsPut_ != height_) {
        file_.Discard();
        return false;
    }
    return file_.Commit();
}

bool WritePackedDibFile(std::span<const uint8_t> dib, const std::string& path)
{
    PackedDibInfo info;
    if (!ParsePackedDibHeader(dib, info) || dib.size() > UINT32_MAX - 14)
        return false;
    std::vector<uint8_t> head{'B', 'M'};
    PutU32(head, static_cast<uint32_t>(14 + dib.size()));
    PutU32(head, 0);
    PutU32(head, static_cast<uint32_t>(14 + info.pixelOffset));
    AtomicFile file;
    return file.Open(path) && file.Write(head.data(), head.size()) && file.Write(dib.data(), dib.size()) &&
           file.Commit();
}

}  // namespace pix
