#pragma once
// Writes a 24-bit bitmap file of a known size row by row, the rows in any
// order, without holding the picture: what a scanner delivers goes to the
// file as it arrives. The file holds the bytes WriteBmpTrueColor writes for
// the same rows, and replaces the target only when every row has come.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "common/LargeAllocator.h"

namespace pix {

class BmpRowWriter {
public:
    // Starts the file; false when it cannot be created.
    bool Open(const std::string& path, uint32_t width, uint32_t height);
    // Where row y of the file goes (0 = the bottom row), each row once:
    // StrideFor(width) bytes of blue, green and red to fill before the next
    // call (the padding is zero already). Rows that follow each other
    // downwards, the order a scanner sends them, are gathered into large
    // writes. Null when y is outside the picture or a write failed.
    uint8_t* Row(uint32_t y);
    // True once the file holds every row and has replaced the target.
    bool Commit();

private:
    bool Flush();

    AtomicFile file_;
    bool failed_ = true;  // not open, or a write failed
    uint32_t height_ = 0;
    size_t stride_ = 0;
    uint32_t rowsPut_ = 0;
    uint32_t chunkLow_ = 0;  // the lowest row gathered in chunk_
    uint32_t chunkRows_ = 0;
    LargeBytes chunk_;  // one huge page: filling it takes one page fault
};

// Writes a packed DIB as a bitmap file (a file header before the block);
// false when the block is not a bitmap or the file cannot be written.
bool WritePackedDibFile(std::span<const uint8_t> dib, const std::string& path);

}  // namespace pix
