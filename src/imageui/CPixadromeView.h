#pragma once
// The scrolling view of an image document: draws the picture at a zoom,
// zooms by menu, click and point, scrolls by keys, selects a rectangle (left
// drag) or a uniform region (right drag) and copies it to the clipboard,
// copies the whole picture, undoes by reloading, and describes the picture
// for the status bar.

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QCursor>
#include <QImage>
#include <QTimer>

#include "imageui/ImageSteps.h"
#include "processing/ColorReduction.h"
#include "processing/UniformRegion.h"

class QMdiSubWindow;
class QScrollBar;
class QPrinter;

namespace pix {

class CPixadromeDoc;

class CPixadromeView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CPixadromeView(CPixadromeDoc& doc, QWidget* parent = nullptr);

    CPixadromeDoc& Document() { return doc_; }
    // The zoom: 1 shows a picture pixel on a pixel of the screen.
    double Zoom() const { return zoom_; }
    // Zooms by num/den keeping the picture point under p (viewport
    // coordinates) in view.
    void ZoomAt(int num, int den, QPoint p);
    // The caption: the document's title and the zoom ratio.
    QString Caption() const;
    // The status pane text.
    QString StatusText() const;

    // Commands.
    void OnZoomIn();
    void OnZoomOut();
    bool CanZoomIn() const { return zoom_ < 8; }
    bool CanZoomOut() const { return zoom_ > 0.125; }
    void FitWindowToImage();
    // Toggles between the whole picture shrunk to the window and 1:1.
    void OnFitToWindow();
    bool FittedToWindow() const { return fitted_; }
    // True once a fitted picture is drawn from its resampled copy.
    bool PaintedResampled() const { return !settled_.isNull(); }
    void OnEditCopy();
    void OnUndo();
    bool CanUndo() const;
    void OnRotateRight();
    void OnRotateLeft();
    void OnEnhance();
    void OnColorCorrection();
    void OnResize();
    void OnColorReduction();
    void OnPrint();
    void OnPrintPreview();
    // Prints the picture on one page of printer.
    void PrintTo(QPrinter& printer, bool highQuality, bool preview);
    // Reduces the colours with write-back and marks the document.
    bool ApplyColorReduction(const ReduceOptions& options);
    // Resamples the picture to width × height and follows the new size.
    void ApplyResize(int width, int height);

    // The scrollable size: the recorded picture size times the zoom.
    QSize ScrollSize() const;

    // The way through the pictures around the document's.
    ImageSteps& Steps() { return steps_; }
    // Steps by delta, or to the first or last picture, and shows the
    // picture reached as a picture just opened is shown.
    void OnStep(int delta);
    void OnStepToEnd(bool last);

signals:
    void statusTextChanged(const QString& text);
    void captionChanged(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }
    void scrollContentsBy(int dx, int dy) override;

private:
    void OnImageChanged();
    // Screen pixels per window coordinate (2 at a scale factor of 200 %),
    // and window coordinates per picture pixel.
    double Ratio() const { return viewport()->devicePixelRatioF(); }
    double Scale() const { return zoom_ / Ratio(); }
    // The zoom and scrolling of a picture just opened.
    void ShowAsOpened();
    // Scrolls by action where bar has room, else steps by delta.
    void ScrollOrStep(QScrollBar* bar, QAbstractSlider::SliderAction action, int delta);
    // In fitted mode, the zoom that shows the whole picture, and a sharp
    // copy of it once the window's size has settled.
    void ApplyFit();
    void Settle();
    // One step of the zoom sequence, in or out, about p.
    void StepZoomAt(bool in, QPoint p);
    void UpdateScrollBars();
    void UpdateCaption();
    void UpdateCursor();
    void SetStatus();
    QMdiSubWindow* Frame() const;
    QPoint ScrollPos() const;
    // The picture pixel under a viewport point, clamped to the picture.
    QPoint PixelAt(QPoint p) const;
    QRect SelectionOnScreen() const;
    void CopyRectToClipboard(int left, int top, int right, int bottom);
    void OnAutoScroll();
    // After an operation changed the picture's size.
    void FollowNewSize();
    void EndDrag(bool copy);

    CPixadromeDoc& doc_;
    double zoom_ = 1.0;
    bool fitted_ = false;
    QImage settled_;
    QTimer settle_;
    QString status_;

    // Selection state.
    QPoint anchor_;
    QPoint corner_;
    PixelRect region_{};
    bool rectDrag_ = false;
    bool regionDrag_ = false;
    bool buttonDown_ = false;
    Qt::MouseButton button_ = Qt::NoButton;
    int ignoreReleases_ = 0;
    QPoint lastMouse_;
    QTimer autoScroll_;
    ImageSteps steps_;
};

}  // namespace pix
