#pragma once
// Row helpers shared by the readers and writers: conversion between packed
// rows (width × 3 bytes, no padding) and padded rows, row order reversal and
// red/blue exchange. A null input gives failure or an empty result.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

// Copies packed 3-byte pixel rows into rows padded to a multiple of 4 bytes
// and reports the new stride. Empty when packed is null or memory runs out.
std::vector<uint8_t> PadRows(const uint8_t* packed, uint32_t width, uint32_t height, uint32_t& stride);

// Copies width × 3 bytes of every padded row into packed rows.
std::vector<uint8_t> UnpadRows(const uint8_t* aligned, uint32_t width, uint32_t stride, uint32_t height);

// Reverses the order of rows in place.
bool FlipRows(uint8_t* buffer, size_t rowBytes, uint32_t rows);

// Exchanges the first and third byte of every 3-byte pixel of packed rows.
bool SwapRedBlue(uint8_t* packed, uint32_t width, uint32_t height);

}  // namespace pix
