#pragma once
// JPEG files through libjpeg: the reader, which can decode at 1/2, 1/4 or
// 1/8 of the size when the caller only needs a small picture, and the
// writer with a quality setting (baseline, 3 components).

#include <cstdint>
#include <span>
#include <string>

#include "common/Outcome.h"
#include "image/FormatTable.h"
#include "image/CImageBuffer.h"

namespace pix {

class Prompter;

// The denominator of the decoding scale (1, 2, 4 or 8) for a picture of
// width × height loaded with size hints: the smallest scale that still
// leaves the picture at least as large as the hint in one direction.
// Hints of 0 × 0 mean full size.
int JpegScaleDenominator(uint32_t width, uint32_t height, uint32_t hintWidth, uint32_t hintHeight);

// Reads a JPEG file; buf is empty on failure.
void ReadJpeg(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits = nullptr);
// Reads a JPEG file held in memory. Pictures declaring more than maxPixels
// are refused before anything is allocated for them.
void ReadJpegBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                   uint64_t maxPixels = kMaxPixels, PictureTraits* traits = nullptr);

// The size query of the format table: the full-size width and height from
// the markers before the first scan; false for files the reader refuses
// before decoding.
bool QueryJpegSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// Writes buf as a baseline JPEG of the given quality (0..100) through a
// temporary file. On failure tells "Write Error" (or the memory message
// when the encoder ran out of memory) and leaves any old file untouched.
Outcome WriteJpeg(const CImageBuffer& buf, const std::string& path, int quality);

// The writer of the format table: quality 75.
inline constexpr int kDefaultJpegQuality = 75;
Outcome WriteJpegDefault(const CImageBuffer& buf, const std::string& path);

// The format table's row: saved through the quality dialog in the window.
extern const FormatRow kJpegFormat;

}  // namespace pix
