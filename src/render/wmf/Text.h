#pragma once
// Metafile text as Unicode.

#include <QString>
#include <cstdint>
#include <span>

namespace pix::wmf {

// ANSI text is Windows-1252; the Symbol font's code points (symbol) become
// the Unicode characters its glyphs show.
QString DecodeText(std::span<const uint8_t> bytes, bool symbol);

}  // namespace pix::wmf
