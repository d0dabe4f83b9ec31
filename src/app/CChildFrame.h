#pragma once
// The window around a document's view inside the main window.
//
// Moved or sized by the user, its edges stop at the area's edges and stay
// attached there: when the area changes size, a window attached on one side
// moves with that edge and one attached on both opposite sides stretches.
// While its top is attached it has no caption, and its attached edges are
// drawn flat. Sizing it pushes the windows beyond the dragged edge along.
// A window that is not maximised shrinks away in ellipses as it closes.

#include <QMdiSubWindow>
#include <QPointer>
#include <functional>
#include <vector>

namespace pix {

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    // Asked before the window closes; false keeps it open.
    void SetCloseCheck(std::function<bool()> check) { closeCheck_ = std::move(check); }

    struct Edges {
        bool left = false, top = false, right = false, bottom = false;
        bool operator==(const Edges&) const = default;
    };
    // The edges held at the area's edges.
    Edges Attached() const { return attached_; }
    bool CaptionHidden() const { return attached_.top && !isMaximized(); }

    // The widths of the ellipses a closing window of this width shrinks
    // through, the first as wide as the window.
    static std::vector<int> ClosingWidths(int width);

signals:
    // The user dragged the window's border to this size.
    void userSized(QSize size);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // After the user moved or sized the window from before: holds its
    // edges inside the area, records the attached ones and pushes the
    // neighbours of a sized window.
    void HoldEdges(const QRect& before);
    void PushNeighbours(const QRect& before, const QRect& after);
    // The area changed from oldSize: attached edges follow it.
    void FollowArea(const QSize& oldSize, const QSize& newSize);
    void SetAttached(const Edges& edges);
    void Shrink();

    std::function<bool()> closeCheck_;
    Edges attached_;
    bool dragging_ = false;
    QPointer<QWidget> watchedArea_;
};

}  // namespace pix
