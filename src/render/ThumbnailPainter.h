#pragma once
// Draws the list pictures of contact sheets: the file fitted into the
// picture without enlarging it, with a one-pixel raised edge, on the mask
// colour; for files that are not pictures their file-type icon, or a
// framed "skipped". With the desktop's thumbnail cache, a picture comes
// from the file's entry there when one serves, and a file that had to be
// decoded leaves its entry (or its fail entry) for the next time.

#include <QImage>
#include <functional>
#include <memory>
#include <optional>

#include "common/OrderedLoader.h"
#include "render/DesktopThumbnailCache.h"

#include "sheets/ThumbnailMaker.h"

namespace pix {

class CImageBuffer;
class Progress;

// Where a w × h picture goes in a cx × cy list picture: never enlarged,
// width first, at least one pixel each way.
struct ThumbnailFit {
    int width;
    int height;
};
ThumbnailFit FitThumbnail(int w, int h, int cx, int cy);

class PaintedThumbnailMaker final : public ThumbnailMaker {
public:
    // The icon of a file's type as a picture (32 × 32 is drawn centred),
    // or a null image when there is none.
    using IconLookup = std::function<QImage(const std::string& path)>;

    explicit PaintedThumbnailMaker(IconLookup icons = {}, std::optional<DesktopThumbnailCache> cache = {})
        : icons_(std::move(icons)), cache_(std::move(cache))
    {
    }

    std::vector<uint8_t> MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load) override;

    // The picture as an image (Format_RGB888), for callers that draw it.
    QImage Paint(const std::string& path, int cx, int cy, bool load) const;
    // Only the case of a file that reads as a picture, which is safe on any
    // thread: nothing when the file does not give a picture.
    std::optional<std::vector<uint8_t>> PaintPicture(const std::string& path, uint32_t cx, uint32_t cy) const;
    // The picture of a file known not to give a picture: its icon or
    // "skipped" (GUI thread only, for the icon).
    QImage PaintNotAPicture(const std::string& path, int cx, int cy) const;

private:
    // Draws the picture onto image; false when the file gives none.
    bool DrawPicture(QImage& image, const std::string& path) const;
    // The picture of path at its fitted size in a cx × cy list picture,
    // through the cache when there is one; false when the file gives none.
    bool LoadPicture(const std::string& path, int cx, int cy, CImageBuffer& picture) const;
    static QImage Blank(int cx, int cy);
    // The file-type icon (withIcon) or else the framed "skipped".
    void DrawWithoutPicture(QImage& image, const std::string& path, bool withIcon) const;
    IconLookup icons_;
    std::optional<DesktopThumbnailCache> cache_;
};

// Makes the pictures of a list of files ahead of time on worker threads,
// for a caller that asks for them in list order (a new sheet). Pictures
// asked for out of that order, without loading, or of files that are not
// pictures (their icon) are made on the caller's thread, so every picture
// is the one the painter itself would give.
class PrefetchingThumbnailMaker final : public ThumbnailMaker {
public:
    PrefetchingThumbnailMaker(const PaintedThumbnailMaker& painter, std::vector<std::string> paths,
                              Progress& progress, unsigned workers = OrderedLoader<int>::DefaultWorkers());
    ~PrefetchingThumbnailMaker() override;

    std::vector<uint8_t> MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load) override;

private:
    using Loader = OrderedLoader<std::optional<std::vector<uint8_t>>>;
    const PaintedThumbnailMaker& painter_;
    const std::vector<std::string> paths_;
    Progress& progress_;
    const unsigned workers_;
    std::unique_ptr<Loader> loader_;
    size_t next_ = 0;
    uint32_t cx_ = 0;
    uint32_t cy_ = 0;
    bool stopped_ = false;
};

}  // namespace pix
