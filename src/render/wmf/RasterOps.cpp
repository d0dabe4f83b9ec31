// The raster-operation tables of the blit records and of ROP2.
#include "render/wmf/RasterOps.h"

#include "render/WmfPlayer.h"
#include "render/wmf/DeviceContext.h"

namespace pix::wmf {

namespace {

// Further ternary raster operations seen with a pattern alone.
constexpr uint32_t kRopPatNot = 0x000F0001;       // NOT pattern
constexpr uint32_t kRopPatAndDest = 0x00A000C9;   // pattern AND picture
constexpr uint32_t kRopPatOrDest = 0x00FA0089;    // pattern OR picture
constexpr uint32_t kRopDest = 0x00AA0029;         // the picture unchanged

// The operation index: the truth table of the three inputs.
constexpr uint32_t RopIndex(uint32_t rop) { return (rop >> 16) & 0xFF; }

}  // namespace

RasterEffect EffectOfTernaryRop(uint32_t rop)
{
    using S = RasterEffect::Source;
    using M = QPainter::CompositionMode;
    switch (RopIndex(rop)) {
    case RopIndex(kRopSrcCopy): return {S::Image, M::CompositionMode_SourceOver};
    case RopIndex(kRopSrcPaint): return {S::Image, M::RasterOp_SourceOrDestination};
    case RopIndex(kRopSrcAnd): return {S::Image, M::RasterOp_SourceAndDestination};
    case RopIndex(kRopSrcInvert): return {S::Image, M::RasterOp_SourceXorDestination};
    case RopIndex(kRopSrcErase): return {S::Image, M::RasterOp_SourceAndNotDestination};
    case RopIndex(kRopNotSrcCopy): return {S::Image, M::RasterOp_NotSource};
    case RopIndex(kRopNotSrcErase): return {S::Image, M::RasterOp_NotSourceAndNotDestination};
    case RopIndex(kRopMergePaint): return {S::Image, M::RasterOp_NotSourceOrDestination};
    case RopIndex(kRopMergeCopy): return {S::Image, M::CompositionMode_SourceOver};  // pattern ignored
    case RopIndex(kRopPatCopy): return {S::Brush, M::CompositionMode_SourceOver};
    case RopIndex(kRopPatPaint): return {S::Brush, M::RasterOp_SourceOrDestination};  // source ignored
    case RopIndex(kRopPatInvert): return {S::Brush, M::RasterOp_SourceXorDestination};
    case RopIndex(kRopPatNot): return {S::Brush, M::RasterOp_NotSource};
    case RopIndex(kRopPatAndDest): return {S::Brush, M::RasterOp_SourceAndDestination};
    case RopIndex(kRopPatOrDest): return {S::Brush, M::RasterOp_SourceOrDestination};
    case RopIndex(kRopDstInvert): return {S::Black, M::RasterOp_NotDestination};
    case RopIndex(kRopBlackness): return {S::Black, M::CompositionMode_SourceOver};
    case RopIndex(kRopWhiteness): return {S::White, M::CompositionMode_SourceOver};
    case RopIndex(kRopDest): return {S::None, M::CompositionMode_SourceOver};
    default: return {S::Image, M::CompositionMode_SourceOver};  // the nearest plain copy
    }
}

Rop2Effect EffectOfRop2(int rop2)
{
    using M = QPainter::CompositionMode;
    switch (rop2) {
    case kR2Black: return {true, M::CompositionMode_SourceOver, QColor(Qt::black)};
    case kR2NotMergePen: return {true, M::RasterOp_NotSourceAndNotDestination, {}};
    case kR2MaskNotPen: return {true, M::RasterOp_NotSourceAndDestination, {}};
    case kR2NotCopyPen: return {true, M::RasterOp_NotSource, {}};
    case kR2MaskPenNot: return {true, M::RasterOp_SourceAndNotDestination, {}};
    case kR2Not: return {true, M::RasterOp_NotDestination, {}};
    case kR2XorPen: return {true, M::RasterOp_SourceXorDestination, {}};
    case kR2NotMaskPen: return {true, M::RasterOp_NotSourceOrNotDestination, {}};
    case kR2MaskPen: return {true, M::RasterOp_SourceAndDestination, {}};
    case kR2NotXorPen: return {true, M::RasterOp_NotSourceXorDestination, {}};
    case kR2Nop: return {false, M::CompositionMode_SourceOver, {}};
    case kR2MergeNotPen: return {true, M::RasterOp_NotSourceOrDestination, {}};
    case kR2MergePenNot: return {true, M::RasterOp_SourceOrNotDestination, {}};
    case kR2MergePen: return {true, M::RasterOp_SourceOrDestination, {}};
    case kR2White: return {true, M::CompositionMode_SourceOver, QColor(Qt::white)};
    default: return {};
    }
}

}  // namespace pix::wmf
