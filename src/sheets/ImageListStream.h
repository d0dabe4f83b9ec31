#pragma once
// The image-list block of ".pxc" files, laid out as the platform's
// image-list stream: a 28-byte header (magic "IL", version 0x0101, current
// and maximum count, growth, cx, cy, background colour, flags, four overlay
// indexes), then the colour bitmap and the mask bitmap, each as a bitmap
// file image. Both bitmaps are four pictures wide and one picture high per
// band of four pictures, bands counted from the top, rows stored bottom-up.
// The colour bitmap has 16-bit pixels (x1r5g5b5), the mask 1 bit per pixel
// with 1 = transparent; colour pixels under transparent mask bits are black.

#include <cstdint>

namespace pix {

class ArchiveReader;
class ArchiveWriter;
class ThumbnailList;

inline constexpr uint16_t kImageListMagic = 0x4C49;    // "IL"
inline constexpr uint16_t kImageListVersion = 0x0101;
inline constexpr uint16_t kImageListFlags = 0x0011;    // 16-bit colour with a mask
inline constexpr uint32_t kImageListNoBackground = 0xFFFFFFFF;
inline constexpr uint32_t kImageListHeaderSize = 28;

// Appends the block for list. The list's pictures must have a size
// (cx, cy >= 1), as every list of a sheet has.
void WriteImageList(const ThumbnailList& list, ArchiveWriter& out);

// Reads a block of version 0x0101, or of the one-column layout of versions
// 0x06xx, with colour bitmaps of 16, 24 or 32 bits. Transparent pixels come
// back as exactly the mask colour and 16-bit pixels are widened so that
// writing the list again gives the same bytes. False, with the reader
// failed and list unchanged, for anything cut short or inconsistent.
bool ReadImageList(ArchiveReader& in, ThumbnailList& list);

}  // namespace pix
