#pragma once
// The desktop's shared thumbnail cache, as file managers keep it: under
// $XDG_CACHE_HOME/thumbnails, "normal" holds pictures of at most 128
// pixels a side and "large" of at most 256, each a PNG named by the MD5 of
// the file's URI and carrying that URI and the file's modification time
// (Thumb::URI, Thumb::MTime), which must match the file for the picture to
// be used. A file that could not be read gets a 1 × 1 entry of the same
// name under fail/pixadrome-VERSION, so it is not tried again until it
// changes.
//
// Every member is safe on any thread (nothing is shared but the folder
// name). Writing never reports: entries go to a temporary file renamed
// into place (mode 0600), and a failed write leaves the cache as it was.

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

namespace pix {

class DesktopThumbnailCache {
public:
    // What ties an entry to the file's current content.
    struct Original {
        std::string uri;
        int64_t mtime = 0;  // seconds
        uint64_t size = 0;  // bytes
    };

    // The cache in folder (the one holding normal/, large/ and fail/).
    explicit DesktopThumbnailCache(const std::string& folder);
    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails.
    static DesktopThumbnailCache ForUser();
    const std::string& Folder() const { return folder_; }

    // The side of the entries that serve pictures of side pixels: 128 or
    // 256; 0 when the cache has none that large.
    static int SideClassFor(int side);

    // The file's URI: file:// and its absolute path, with every byte but
    // letters, digits and -_.!~*'()/:@&=+$, percent-encoded.
    static std::string FileUri(const std::string& path);
    // The URI, time and size of a regular file outside the cache; nothing
    // for anything else.
    std::optional<Original> Identify(const std::string& path) const;

    std::string EntryPath(const std::string& uri, int sideClass) const;
    std::string FailPath(const std::string& uri) const;

    // The entry of original from the side classes that serve side (the
    // smallest first) that shows the whole width × height picture opaque and
    // at least minWidth × minHeight; a null image when there is none.
    QImage Find(const Original& original, int side, uint32_t width, uint32_t height, int minWidth,
                int minHeight) const;
    // True when a fail entry says original could not be read.
    bool HasFailure(const Original& original) const;

    // Writes picture (of the width × height original) as the entry of its
    // side class.
    void Store(const Original& original, int sideClass, const QImage& picture, uint32_t width,
               uint32_t height) const;
    void StoreFailure(const Original& original) const;

    // The picture of an entry's bytes when they are a whole PNG (no more than
    // 1024 pixels a side) made for original: the same URI and time, and the
    // same size when it states one. A null image otherwise.
    static QImage ReadEntry(const QByteArray& bytes, const Original& original);
    // True when entry, opaque, shows the whole width × height picture: the
    // same proportions within a pixel, and the same size when it states one.
    static bool ShowsWhole(const QImage& entry, uint32_t width, uint32_t height);

private:
    QImage ReadEntryFile(const std::string& path, const Original& original) const;
    void Write(const std::string& path, const Original& original, QImage& image) const;
    std::string folder_;
};

}  // namespace pix
