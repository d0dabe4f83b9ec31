#pragma once
// Draws the list pictures of contact sheets: the file fitted into the
// picture without enlarging it, with a one-pixel raised edge, on the mask
// colour; for files that are not pictures their file-type icon, or a
// framed "skipped".

#include <QImage>
#include <functional>

#include "sheets/ThumbnailMaker.h"

namespace pix {

class PaintedThumbnailMaker final : public ThumbnailMaker {
public:
    // The icon of a file's type as a picture (32 × 32 is drawn centred),
    // or a null image when there is none.
    using IconLookup = std::function<QImage(const std::string& path)>;

    explicit PaintedThumbnailMaker(IconLookup icons = {}) : icons_(std::move(icons)) {}

    std::vector<uint8_t> MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load) override;

    // The picture as an image (Format_RGB888), for callers that draw it.
    QImage Paint(const std::string& path, int cx, int cy, bool load) const;

private:
    IconLookup icons_;
};

// Where a w × h picture goes in a cx × cy list picture: never enlarged,
// width first, at least one pixel each way.
struct ThumbnailFit {
    int width;
    int height;
};
ThumbnailFit FitThumbnail(int w, int h, int cx, int cy);

}  // namespace pix
