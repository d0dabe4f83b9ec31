// Sizing, as the loader has always sized metafiles, and the public reading
// functions: the picture is white, then the records are played onto it.
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <optional>

#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"
#include "render/ScreenDpi.h"
#include "render/WmfPlayer.h"
#include "render/wmf/Player.h"

namespace pix {

namespace {

constexpr uint32_t kDefaultSide = 256;
constexpr uint32_t kDefaultBound = 2000;

struct PlaceableHeader {
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    uint16_t unitsPerInch = 0;
};

// The picture a metafile is played onto and where its records are.
struct MetafileLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t metafileStart = 0;
    uint64_t metafileBytes = 0;
    std::optional<PlaceableHeader> frame;  // when the placeable frame sizes the picture
};

// Sizes a metafile of fileSize bytes from its first bytes (head: at least
// kWmfSizeHeadBytes of them, or the whole file) and the caller's hints;
// false when the loader refuses it.
bool LayOut(std::span<const uint8_t> head, uint64_t fileSize, uint32_t maxWidth, uint32_t maxHeight,
            MetafileLayout& layout)
{
    if (fileSize < wmf::kPlaceableBytes || head.size() > fileSize ||
        head.size() < std::min<uint64_t>(fileSize, kWmfSizeHeadBytes))
        return false;
    ByteReader in(head);
    const bool placeable = in.U32() == wmf::kPlaceableKey;
    PlaceableHeader frame;
    if (placeable) {
        in.U16();  // handle
        frame.left = in.I16();
        frame.top = in.I16();
        frame.right = in.I16();
        frame.bottom = in.I16();
        frame.unitsPerInch = in.U16();
    }
    const size_t headerStart = placeable ? wmf::kPlaceableBytes : 0;
    if (fileSize - headerStart < wmf::kHeaderBytes)
        return false;
    ByteReader header(head.data() + headerStart, wmf::kHeaderBytes);
    header.Skip(6);
    const uint64_t metafileBytes = uint64_t{header.U32()} * 2;

    int64_t width = kDefaultSide;
    int64_t height = kDefaultSide;
    int64_t boundWidth = kDefaultBound;
    int64_t boundHeight = kDefaultBound;
    if (maxWidth != 0 || maxHeight != 0) {
        width = boundWidth = maxWidth;
        height = boundHeight = maxHeight;
    }
    // The metafile's own bytes start after the placeable header only when
    // its frame is used; otherwise they are taken from the very start, where
    // a placeable header does not read as a metafile and nothing is drawn.
    size_t metafileStart = 0;
    if (placeable && frame.unitsPerInch != 0) {
        const int64_t dpi = ScreenDpi();
        width = (int64_t{frame.right} - frame.left) * dpi / frame.unitsPerInch;
        height = (int64_t{frame.bottom} - frame.top) * dpi / frame.unitsPerInch;
        metafileStart = wmf::kPlaceableBytes;
        layout.frame = frame;
    }
    if (width <= 0 || height <= 0)
        return false;
    if (width > boundWidth || height > boundHeight) {
        const int64_t fittedHeight = height * boundWidth / width;
        if (fittedHeight > boundHeight) {
            width = width * boundHeight / height;
            height = boundHeight;
        } else {
            height = fittedHeight;
            width = boundWidth;
        }
    }
    if (!SizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height)) || width > INT32_MAX ||
        height > INT32_MAX)
        return false;
    if (metafileBytes > fileSize - metafileStart)
        return false;
    layout.width = static_cast<uint32_t>(width);
    layout.height = static_cast<uint32_t>(height);
    layout.metafileStart = metafileStart;
    layout.metafileBytes = metafileBytes;
    return true;
}


}  // namespace


bool WmfSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height)
{
    MetafileLayout layout;
    if (!LayOut(head, fileSize, 0, 0, layout))
        return false;
    width = layout.width;
    height = layout.height;
    return true;
}

bool QueryWmfSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t*)
{
    const auto head = ReadFileHead(path, kWmfSizeHeadBytes);
    // The loader reads the whole file, so it refuses what it cannot hold.
    if (!head || head->fileSize > kMaxInputFileBytes)
        return false;
    return WmfSizeFromBytes(head->bytes, head->fileSize, width, height);
}

void ReadWmfBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                  const WmfLimits& limits)
{
    buf.Clear();
    MetafileLayout layout;
    if (!LayOut(file, file.size(), maxWidth, maxHeight, layout))
        return;
    std::optional<QRectF> placeableFrame;
    if (layout.frame)
        placeableFrame = QRectF(QPointF(layout.frame->left, layout.frame->top),
                                QPointF(layout.frame->right, layout.frame->bottom));
    const auto width = static_cast<int>(layout.width);
    const auto height = static_cast<int>(layout.height);
    const size_t metafileStart = layout.metafileStart;
    const uint64_t metafileBytes = layout.metafileBytes;

    QImage canvas(width, height, QImage::Format_RGB32);
    if (canvas.isNull())
        return;
    canvas.fill(Qt::white);
    {
        wmf::WorkBudget budget(limits);
        wmf::Player player(file.subspan(metafileStart, static_cast<size_t>(metafileBytes)), canvas.size(),
                           placeableFrame, budget);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        player.Play(painter);
    }
    FromQImage(canvas, buf);
}

void ReadWmf(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf, PictureTraits*)
{
    buf.Clear();
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return;
    ReadWmfBytes(*bytes, maxWidth, maxHeight, buf);
}

}  // namespace pix
