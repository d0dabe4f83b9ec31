#include "render/DesktopThumbnailCache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "common/AtomicFile.h"

namespace pix {
namespace {

constexpr int kNormalSide = 128;
constexpr int kLargeSide = 256;
// No entry the cache can hold (xx-large) is larger; nothing larger is read.
constexpr int kMaxEntrySide = 1024;
constexpr qint64 kMaxEntryBytes = qint64{8} << 20;

const QString kUriKey = QStringLiteral("Thumb::URI");
const QString kMTimeKey = QStringLiteral("Thumb::MTime");
const QString kSizeKey = QStringLiteral("Thumb::Size");
const QString kWidthKey = QStringLiteral("Thumb::Image::Width");
const QString kHeightKey = QStringLiteral("Thumb::Image::Height");

std::string AbsolutePath(const std::string& path)
{
    std::error_code ec;
    std::string out = std::filesystem::absolute(path, ec).lexically_normal().string();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return ec ? std::string() : out;
}

// True when text is the whole number value.
bool States(const QString& text, int64_t value)
{
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    return ok && number == value;
}

// Makes folder and every missing folder above it, private to the user.
bool MakeFolders(const std::string& folder)
{
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != '/')
            continue;
        const std::string part = folder.substr(0, i);
        struct stat st {};
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST &&
            (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            return false;
    }
    return true;
}

std::string Md5Name(const std::string& uri)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(uri), QCryptographicHash::Md5).toHex().toStdString() +
           ".png";
}

}  // namespace

DesktopThumbnailCache::DesktopThumbnailCache(const std::string& folder) : folder_(AbsolutePath(folder)) {}

DesktopThumbnailCache DesktopThumbnailCache::ForUser()
{
    // A relative XDG_CACHE_HOME is to be ignored.
    const QByteArray xdg = qgetenv("XDG_CACHE_HOME");
    const std::string base =
        xdg.startsWith('/') ? xdg.toStdString() : QDir::homePath().toStdString() + "/.cache";
    return DesktopThumbnailCache(base + "/thumbnails");
}

int DesktopThumbnailCache::SideClassFor(int side)
{
    return side <= kNormalSide ? kNormalSide : side <= kLargeSide ? kLargeSide : 0;
}

std::string DesktopThumbnailCache::FileUri(const std::string& path)
{
    return "file://" + QByteArray::fromStdString(AbsolutePath(path)).toPercentEncoding("/:@&=+$,!*'()").toStdString();
}

std::optional<DesktopThumbnailCache::Original> DesktopThumbnailCache::Identify(const std::string& path) const
{
    const std::string absolute = AbsolutePath(path);
    // The cache's own pictures are never cached.
    if (absolute.empty() || absolute.compare(0, folder_.size() + 1, folder_ + "/") == 0)
        return std::nullopt;
    struct stat st {};
    if (::stat(absolute.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Original{FileUri(absolute), static_cast<int64_t>(st.st_mtime), static_cast<uint64_t>(st.st_size)};
}

std::string DesktopThumbnailCache::EntryPath(const std::string& uri, int sideClass) const
{
    return folder_ + (sideClass == kNormalSide ? "/normal/" : "/large/") + Md5Name(uri);
}

std::string DesktopThumbnailCache::FailPath(const std::string& uri) const
{
    return folder_ + "/fail/pixadrome-" PIX_VERSION "/" + Md5Name(uri);
}

QImage DesktopThumbnailCache::ReadEntry(const QByteArray& bytes, const Original& original)
{
    // A PNG ends with its IEND chunk: a file cut short is refused even where
    // the decoder would make do with what it has.
    static const QByteArray kEnd("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
    if (bytes.size() > kMaxEntryBytes || !bytes.endsWith(kEnd))
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaxEntrySide || size.height() > kMaxEntrySide)
        return {};
    QImage image;
    if (!reader.read(&image) || image.size() != size)
        return {};
    const QString stated = image.text(kSizeKey);
    if (image.text(kUriKey) != QString::fromStdString(original.uri) || !States(image.text(kMTimeKey), original.mtime) ||
        (!stated.isEmpty() && !States(stated, static_cast<int64_t>(original.size))))
        return {};
    return image;
}

bool DesktopThumbnailCache::ShowsWhole(const QImage& entry, uint32_t width, uint32_t height)
{
    if (entry.isNull() || width == 0 || height == 0)
        return false;
    const QString statedWidth = entry.text(kWidthKey);
    const QString statedHeight = entry.text(kHeightKey);
    if ((!statedWidth.isEmpty() && !States(statedWidth, width)) ||
        (!statedHeight.isEmpty() && !States(statedHeight, height)))
        return false;
    // Either side rounded by less than a pixel.
    const int64_t skew = int64_t{entry.width()} * height - int64_t{entry.height()} * width;
    if (std::llabs(skew) > int64_t{width} + height)
        return false;
    if (!entry.hasAlphaChannel())
        return true;
    const QImage argb = entry.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

QImage DesktopThumbnailCache::ReadEntryFile(const std::string& path, const Original& original) const
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return {};
    return ReadEntry(file.read(kMaxEntryBytes + 1), original);
}

QImage DesktopThumbnailCache::Find(const Original& original, int side, uint32_t width, uint32_t height, int minWidth,
                                   int minHeight) const
{
    for (int sideClass : {kNormalSide, kLargeSide}) {
        if (sideClass < side)
            continue;
        QImage entry = ReadEntryFile(EntryPath(original.uri, sideClass), original);
        if (ShowsWhole(entry, width, height) && entry.width() >= minWidth && entry.height() >= minHeight)
            return entry;
    }
    return {};
}

bool DesktopThumbnailCache::HasFailure(const Original& original) const
{
    return !ReadEntryFile(FailPath(original.uri), original).isNull();
}

void DesktopThumbnailCache::Store(const Original& original, int sideClass, const QImage& picture, uint32_t width,
                                  uint32_t height) const
{
    if (picture.isNull() || (sideClass != kNormalSide && sideClass != kLargeSide))
        return;
    // Entries are 8-bit RGBA, as file managers expect.
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    image.setText(kSizeKey, QString::number(original.size));
    image.setText(kWidthKey, QString::number(width));
    image.setText(kHeightKey, QString::number(height));
    Write(EntryPath(original.uri, sideClass), original, image);
}

void DesktopThumbnailCache::StoreFailure(const Original& original) const
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    Write(FailPath(original.uri), original, image);
}

void DesktopThumbnailCache::Write(const std::string& path, const Original& original, QImage& image) const
{
    image.setText(kUriKey, QString::fromStdString(original.uri));
    image.setText(kMTimeKey, QString::number(original.mtime));
    image.setText(QStringLiteral("Software"), QStringLiteral("Pixadrome"));
    QByteArray png;
    QBuffer buffer(&png);
    QImageWriter writer(&buffer, "png");
    // Light compression: the sheet waits for the writing, and the pictures
    // are small anyway.
    writer.setQuality(80);
    if (!buffer.open(QIODevice::WriteOnly) || !writer.write(image))
        return;
    if (!MakeFolders(path.substr(0, path.rfind('/'))))
        return;
    AtomicFile file;
    if (file.Open(path, 0600) && file.Write(png.constData(), static_cast<size_t>(png.size())))
        file.Commit(false);
}

}  // namespace pix
