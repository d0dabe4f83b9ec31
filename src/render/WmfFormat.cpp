#include "render/WmfFormat.h"

#include "render/WmfPlayer.h"
#include "render/WmfWriter.h"

namespace pix {
namespace {

bool DrawnAtHint(uint32_t&, uint32_t&, uint32_t, uint32_t) { return false; }

}  // namespace

extern constexpr FormatRow kWmfFormat{
    .name = "wmf",
    .extensions = "wmf",
    .openLabel = "Windows Metafiles (*.wmf)",
    .saveLabel = "Windows Metafile (*.wmf)",
    .read = ReadWmf,
    .write = WriteWmf,
    .size = QueryWmfSize,
    .hinted = DrawnAtHint,
};

}  // namespace pix
