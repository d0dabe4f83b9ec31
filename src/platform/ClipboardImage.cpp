#include "platform/ClipboardImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <span>

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"
#include "render/ImageConversion.h"

namespace pix {

namespace {

const QString kBmpType = QStringLiteral("image/bmp");

std::span<const uint8_t> Bytes(const QByteArray& a)
{
    return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<size_t>(a.size())};
}

}  // namespace

bool ClipboardHasImage()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && (data->hasFormat(kBmpType) || data->hasImage());
}

bool ReadClipboardImage(CImageBuffer& buf)
{
    buf.Clear();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return false;
    if (data->hasFormat(kBmpType)) {
        // A bitmap file: the packed DIB follows the 14-byte file header.
        const QByteArray bmp = data->data(kBmpType);
        auto bytes = Bytes(bmp);
        if (bytes.size() > 14 && bytes[0] == 'B' && bytes[1] == 'M' && ReadPackedDib(bytes.subspan(14), buf))
            return true;
        if (ReadPackedDib(bytes, buf))
            return true;
    }
    if (data->hasImage()) {
        FromQImage(qvariant_cast<QImage>(data->imageData()), buf);
        return !buf.IsEmpty();
    }
    return false;
}

void WriteClipboardImage(const CImageBuffer& buf, const QString& text)
{
    auto* data = new QMimeData;
    if (!buf.IsEmpty()) {
        std::vector<uint8_t> dib = MakePackedDib(buf);
        QByteArray bmp;
        bmp.reserve(static_cast<qsizetype>(dib.size() + 14));
        std::vector<uint8_t> header{'B', 'M'};
        PutU32(header, static_cast<uint32_t>(dib.size() + 14));
        PutU32(header, 0);
        PutU32(header, 54);
        bmp.append(reinterpret_cast<const char*>(header.data()), static_cast<qsizetype>(header.size()));
        bmp.append(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size()));
        data->setData(kBmpType, bmp);
        data->setImageData(ToQImage(buf));
    }
    if (!text.isEmpty())
        data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace pix
