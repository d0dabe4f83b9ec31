#pragma once
// How raster operations combine their source with the picture, as QPainter
// composition modes.

#include <QColor>
#include <QPainter>
#include <cstdint>
#include <optional>

namespace pix::wmf {

// A ternary raster operation of the blit records.
struct RasterEffect {
    enum class Source { None, Image, Brush, Black, White };
    Source source = Source::None;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
};

RasterEffect EffectOfTernaryRop(uint32_t rop);

// A binary raster operation (ROP2) of the pen and brush.
struct Rop2Effect {
    bool draws = true;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    std::optional<QColor> forcedColor;
};

Rop2Effect EffectOfRop2(int rop2);

}  // namespace pix::wmf
