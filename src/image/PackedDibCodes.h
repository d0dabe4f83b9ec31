#pragma once
// The compression codes of a bitmap information header.

#include <cstdint>

namespace pix::dib {

inline constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

}  // namespace pix::dib
