#pragma once
// The enlarged picture shown while the mouse rests on a thumbnail of a
// contact-sheet view. The file is read on a thread of its own; the picture
// grows from the thumbnail's width to 255 pixels centred on the thumbnail
// (kept inside the window) with a stippled shadow, and goes again when the
// mouse leaves the item (wiped away), on a button, a turn of the wheel, a
// change of the list or the loss of the focus (at once). Over a thumbnail
// the cursor is a magnifier.

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <vector>

class QWidget;

namespace pix {

class CThumbnailView;
class PreviewLoader;

class SheetHoverPreview final : public QObject {
    Q_OBJECT
public:
    // The pictures are read with these hints; larger thumbnails get no
    // preview.
    static constexpr int kReadSide = 256;

    explicit SheetHoverPreview(CThumbnailView& view);
    ~SheetHoverPreview() override;

    // The sizes the preview grows through from a thumbnail of width side.
    static std::vector<int> GrowSteps(int side);

    // A preview is on the screen and not going.
    bool Shown() const;
    // Something of a preview is on the screen (also while it is wiped).
    bool Visible() const;
    // A picture is being read for a preview.
    bool Waiting() const;
    // The row of the preview's item, -1 when there is none.
    int Row() const { return row_; }
    // The side of the picture last drawn.
    int Side() const { return side_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnMouseMove(QPoint at);
    void OnPicture(uint64_t ticket, const QImage& picture);
    void Grow();
    void WipeStep();
    // Takes the preview away: at once (invalidated), or wiped when it is
    // large enough.
    void Remove(bool atOnce);
    // Draws the picture at side s (wipe phase 0) or its remains.
    void Draw();

    CThumbnailView& view_;
    std::unique_ptr<PreviewLoader> loader_;
    QPointer<QWidget> overlay_;
    QTimer grow_;
    QTimer wipe_;
    QImage picture_;          // as read, at most kReadSide a side
    std::vector<int> steps_;  // still to come
    uint64_t ticket_ = 0;     // of the picture awaited
    int row_ = -1;            // shown, or awaited
    int lastRow_ = -1;        // under the mouse at its previous move
    QPoint mouse_;            // where the mouse was last seen
    bool inside_ = false;     // the mouse is over the list
    bool magnifier_ = false;  // the cursor is the magnifier
    int side_ = 0;
    int wipePhase_ = 0;       // 0 while shown; 1.. while wiped
};

}  // namespace pix
