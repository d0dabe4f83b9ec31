#include "imageui/CPixadromeView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <cmath>

#include "uiservices/AppServices.h"
#include "imageui/CPixadromeDoc.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "processing/Enhance.h"
#include "imageui/CColorReductionDlg.h"
#include "imageui/CColorSettingsDlg.h"
#include "uiservices/CPixadromePrintDlg.h"
#include "uiservices/CResizeDlg.h"
#include "imageui/ImagePrinting.h"
#include "platform/ClipboardImage.h"
#include "processing/Geometry.h"
#include "render/ImageConversion.h"
#include "imageui/ZoomRules.h"
#include "uiservices/WaitCursor.h"
#include "uiservices/WindowSteps.h"

namespace pix {

namespace {

// A magnifier cursor: plain, with a plus or with a minus.
QCursor MagnifierCursor(int sign)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    for (int pass = 0; pass < 2; ++pass) {
        p.setPen(QPen(pass == 0 ? Qt::white : Qt::black, pass == 0 ? 4 : 2));
        p.drawEllipse(QPoint(12, 12), 9, 9);
        p.drawLine(19, 19, 29, 29);
        if (sign != 0)
            p.drawLine(8, 12, 16, 12);
        if (sign > 0)
            p.drawLine(12, 8, 12, 16);
    }
    p.end();
    return QCursor(pm, 12, 12);
}

bool OpensFitted(const SettingsStore& settings)
{
    return settings.Get(settings::kOpenFitted) != 0;
}

}  // namespace

CPixadromeView::CPixadromeView(CPixadromeDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), steps_(doc)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    autoScroll_.setInterval(50);
    connect(&autoScroll_, &QTimer::timeout, this, &CPixadromeView::OnAutoScroll);
    connect(&doc_, &CPixadromeDoc::imageChanged, this, &CPixadromeView::OnImageChanged);
    connect(&doc_, &CPixadromeDoc::imageResized, this, &CPixadromeView::FollowNewSize);
    connect(&doc_, &CPixadromeDoc::titleChanged, this, &CPixadromeView::UpdateCaption);
    fitted_ = OpensFitted(doc_.Services().Settings());
    settle_.setSingleShot(true);
    settle_.setInterval(150);
    connect(&settle_, &QTimer::timeout, this, &CPixadromeView::Settle);
    UpdateScrollBars();
    UpdateCursor();
    SetStatus();
}

QSize CPixadromeView::ScrollSize() const
{
    return {static_cast<int>(doc_.Width() * Scale()), static_cast<int>(doc_.Height() * Scale())};
}

QString CPixadromeView::Caption() const
{
    return doc_.Title() + QLatin1Char(' ') +
           QString::fromStdString(fitted_ ? FittedRatioText(zoom_) : ZoomRatioText(zoom_));
}

QString CPixadromeView::StatusText() const { return status_; }

void CPixadromeView::SetStatus()
{
    const CImageBuffer& img = doc_.Image();
    QString text;
    if (rectDrag_) {
        const int w = std::abs(corner_.x() - anchor_.x()) + 1;
        const int h = std::abs(corner_.y() - anchor_.y()) + 1;
        text = QStringLiteral("%1 x %2").arg(w).arg(h);
    } else {
        const QString colours =
            img.HasIndexPlane() ? QStringLiteral("%1 col").arg(img.ColorCount()) : QStringLiteral("16 Mio");
        text = QStringLiteral("%1 x %2:%3").arg(doc_.Width()).arg(doc_.Height()).arg(colours);
    }
    if (text != status_) {
        status_ = text;
        emit statusTextChanged(status_);
    }
}

void CPixadromeView::UpdateCaption()
{
    const QString caption = Caption();
    if (QMdiSubWindow* frame = Frame())
        frame->setWindowTitle(caption);
    setWindowTitle(caption);
    emit captionChanged(caption);
}

QMdiSubWindow* CPixadromeView::Frame() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
            return sub;
    return nullptr;
}

QPoint CPixadromeView::ScrollPos() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CPixadromeView::UpdateScrollBars()
{
    // The viewport's size once the scroll bars the picture needs are shown
    // (and the others hidden).
    const QSize size = ScrollSize();
    const QSize full = maximumViewportSize();
    const int barW = verticalScrollBar()->sizeHint().width();
    const int barH = horizontalScrollBar()->sizeHint().height();
    bool needH = size.width() > full.width();
    bool needV = size.height() > full.height();
    if (needH && !needV)
        needV = size.height() > full.height() - barH;
    if (needV && !needH)
        needH = size.width() > full.width() - barW;
    const QSize view(full.width() - (needV ? barW : 0), full.height() - (needH ? barH : 0));
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void CPixadromeView::UpdateCursor()
{
    static const QCursor in = MagnifierCursor(1);
    static const QCursor out = MagnifierCursor(-1);
    static const QCursor plain = MagnifierCursor(0);
    if (rectDrag_) {
        viewport()->setCursor(Qt::CrossCursor);
        return;
    }
    if (regionDrag_) {
        viewport()->setCursor(Qt::PointingHandCursor);
        return;
    }
    viewport()->setCursor(zoom_ <= kMinZoom ? in : zoom_ >= kMaxZoom ? out : plain);
}

void CPixadromeView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));
    const CImageBuffer& img = doc_.Image();
    if (img.IsEmpty())
        return;
    const QPoint scroll = ScrollPos();
    const int w = static_cast<int>(img.Width());
    const int h = static_cast<int>(img.Height());
    // The dirty rectangle in picture pixels, widened to whole pixels.
    const double scale = Scale();
    int left = static_cast<int>((dirty.left() + scroll.x()) / scale);
    int top = static_cast<int>((dirty.top() + scroll.y()) / scale);
    int right = std::min(w, static_cast<int>((dirty.right() + 1 + scroll.x()) / scale + 1));
    int bottom = std::min(h, static_cast<int>((dirty.bottom() + 1 + scroll.y()) / scale + 1));
    if (!settled_.isNull() && settled_.deviceIndependentSize().toSize() == ScrollSize()) {
        painter.drawImage(-scroll, settled_);
    } else if (left < right && top < bottom) {
        const QRect src(left, top, right - left, bottom - top);
        const QRect dst(static_cast<int>(std::floor(left * scale)) - scroll.x(),
                        static_cast<int>(std::floor(top * scale)) - scroll.y(),
                        static_cast<int>(std::floor(right * scale)) - static_cast<int>(std::floor(left * scale)),
                        static_cast<int>(std::floor(bottom * scale)) - static_cast<int>(std::floor(top * scale)));
        // A fitted picture shows at once as a fast stretch until its sharp
        // copy is made; a zoom of the user's own is smoothed.
        DrawBuffer(img, painter, dst, src, zoom_ < 1 && !fitted_);
    }
    if (rectDrag_ || regionDrag_) {
        // The selection as an inverted outline.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(SelectionOnScreen().adjusted(0, 0, -1, -1));
    }
}

QRect CPixadromeView::SelectionOnScreen() const
{
    int l, t, r, b;  // picture pixels, right and bottom exclusive
    if (rectDrag_) {
        l = std::min(anchor_.x(), corner_.x());
        t = std::min(anchor_.y(), corner_.y());
        r = std::max(anchor_.x(), corner_.x()) + 1;
        b = std::max(anchor_.y(), corner_.y()) + 1;
    } else {
        l = region_.left;
        t = region_.top;
        r = region_.right;
        b = region_.bottom;
    }
    const QPoint s = ScrollPos();
    const double scale = Scale();
    return QRect(QPoint(static_cast<int>(l * scale) - s.x(), static_cast<int>(t * scale) - s.y()),
                 QPoint(static_cast<int>(r * scale) - s.x() - 1, static_cast<int>(b * scale) - s.y() - 1));
}

void CPixadromeView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (fitted_)
        ApplyFit();
    else
        UpdateScrollBars();
}

void CPixadromeView::ApplyFit()
{
    // Fitted, no scroll bar is needed: the whole area is the window's.
    const QSize area = maximumViewportSize() * Ratio();
    const double zoom = ShrinkToFitZoom(static_cast<int>(doc_.Width()), static_cast<int>(doc_.Height()),
                                        area.width(), area.height());
    if (zoom != zoom_ || (!settled_.isNull() && settled_.deviceIndependentSize().toSize() != ScrollSize())) {
        zoom_ = zoom;
        settled_ = QImage();
        UpdateCaption();
        UpdateCursor();
        viewport()->update();
    }
    UpdateScrollBars();
    if (zoom_ < 1 && settled_.isNull())
        settle_.start();
}

void CPixadromeView::Settle()
{
    const QSize size = ScrollSize();
    if (!fitted_ || zoom_ >= 1 || size.isEmpty() || doc_.Image().IsEmpty())
        return;
    // Resampled to the screen's own pixels.
    const double ratio = Ratio();
    settled_ = ToQImage(doc_.Image().ResizedCopy(static_cast<uint32_t>(std::lround(size.width() * ratio)),
                                                 static_cast<uint32_t>(std::lround(size.height() * ratio))));
    settled_.setDevicePixelRatio(ratio);
    viewport()->update();
}

void CPixadromeView::OnFitToWindow()
{
    if (!fitted_) {
        fitted_ = true;
        ApplyFit();
        return;
    }
    zoom_ = 1.0;
    ZoomAt(1, 1, viewport()->rect().center());
}

void CPixadromeView::wheelEvent(QWheelEvent* event)
{
    // Ctrl and the wheel zoom about the pointer, a step of the sequence
    // a notch, as clicks do.
    const int delta = event->angleDelta().y();
    if (!(event->modifiers() & Qt::ControlModifier) || delta == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    StepZoomAt(delta > 0, event->position().toPoint());
    event->accept();
}

void CPixadromeView::StepZoomAt(bool in, QPoint p)
{
    if (in && CanZoomIn()) {
        const ZoomFactor f = ZoomInStep(zoom_);
        ZoomAt(f.num, f.den, p);
    } else if (!in && CanZoomOut()) {
        const ZoomFactor f = ZoomOutStep(zoom_);
        ZoomAt(f.num, f.den, p);
    }
}

void CPixadromeView::scrollContentsBy(int, int) { viewport()->update(); }

void CPixadromeView::ZoomAt(int num, int den, QPoint p)
{
    // A zoom of its own ends fitting the picture to the window.
    fitted_ = false;
    settled_ = QImage();
    const double f = static_cast<double>(num) / den;
    zoom_ = std::clamp(zoom_ * num / den, kMinZoom, kMaxZoom);
    const QPoint s = ScrollPos();
    const int tx = static_cast<int>((s.x() + p.x()) * f - viewport()->width() / 2);
    const int ty = static_cast<int>((s.y() + p.y()) * f - viewport()->height() / 2);
    setUpdatesEnabled(false);
    UpdateScrollBars();
    UpdateCaption();
    QMdiSubWindow* frame = Frame();
    if (frame && !frame->isMaximized() && !frame->isMinimized())
        FitWindowToImage();
    const QSize size = ScrollSize();
    if (size.width() > viewport()->width() && size.height() > viewport()->height()) {
        horizontalScrollBar()->setValue(tx);
        verticalScrollBar()->setValue(ty);
    }
    setUpdatesEnabled(true);
    UpdateCursor();
    viewport()->update();
}

void CPixadromeView::OnZoomIn()
{
    if (CanZoomIn())
        ZoomAt(2, 1, viewport()->rect().center());
}

void CPixadromeView::OnZoomOut()
{
    if (CanZoomOut())
        ZoomAt(1, 2, viewport()->rect().center());
}

void CPixadromeView::FitWindowToImage()
{
    QMdiSubWindow* frame = Frame();
    if (!frame)
        return;
    if (frame->isMaximized())
        frame->showNormal();
    // The frame's decoration around this view, plus the view's own border;
    // scroll bars shown now do not count, at the fitted size none is needed.
    const int border = 2 * frameWidth();
    const QSize extra = frame->size() - size() + QSize(border, border);
    if (fitted_)
        if (QMdiArea* area = frame->mdiArea()) {
            // Fitted, the window grows to show the picture as large as the
            // area lets it.
            const QSize room = (area->viewport()->size() - extra) * Ratio();
            zoom_ = ShrinkToFitZoom(doc_.Width(), doc_.Height(), room.width(), room.height());
            settled_ = QImage();
            UpdateCaption();
        }
    QRect geometry(frame->pos(), ScrollSize() + extra);
    if (QMdiArea* area = frame->mdiArea()) {
        const QRect client = area->viewport()->rect();
        if (geometry.right() > client.right())
            geometry.moveRight(client.right());
        if (geometry.bottom() > client.bottom())
            geometry.moveBottom(client.bottom());
        if (geometry.left() < 0)
            geometry.moveLeft(0);
        if (geometry.top() < 0)
            geometry.moveTop(0);
        geometry = geometry.intersected(client);
    }
    frame->setGeometry(geometry);
    UpdateScrollBars();

}

void CPixadromeView::OnImageChanged()
{
    settled_ = QImage();
    if (fitted_)
        ApplyFit();
    else
        UpdateScrollBars();
    SetStatus();
    viewport()->update();
}

void CPixadromeView::keyPressEvent(QKeyEvent* event)
{
    // The keys scroll a picture larger than the window, as they always
    // did; where there is nothing to scroll their way they step through
    // the pictures around this one.
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_PageUp:
        ScrollOrStep(v, QAbstractSlider::SliderPageStepSub, -1);
        break;
    case Qt::Key_PageDown:
        ScrollOrStep(v, QAbstractSlider::SliderPageStepAdd, 1);
        break;
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool end = event->key() == Qt::Key_End;
        if (h->maximum() == 0 && v->maximum() == 0) {
            OnStepToEnd(end);
            break;
        }
        h->setValue(end ? h->maximum() : h->minimum());
        v->setValue(end ? v->maximum() : v->minimum());
        break;
    }
    case Qt::Key_Left:
        ScrollOrStep(h, QAbstractSlider::SliderSingleStepSub, -1);
        break;
    case Qt::Key_Right:
        ScrollOrStep(h, QAbstractSlider::SliderSingleStepAdd, 1);
        break;
    case Qt::Key_Space:
        OnStep(1);
        break;
    case Qt::Key_Backspace:
        OnStep(-1);
        break;
    case Qt::Key_Up:
        v->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        StepDocumentWindow(this, *event);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CPixadromeView::ScrollOrStep(QScrollBar* bar, QAbstractSlider::SliderAction action, int delta)
{
    if (bar->maximum() > 0)
        bar->triggerAction(action);
    else
        OnStep(delta);
}

void CPixadromeView::OnStep(int delta)
{
    if (steps_.Step(delta))
        ShowAsOpened();
}

void CPixadromeView::OnStepToEnd(bool last)
{
    if (steps_.StepToEnd(last))
        ShowAsOpened();
}

void CPixadromeView::ShowAsOpened()
{
    fitted_ = OpensFitted(doc_.Services().Settings());
    zoom_ = 1.0;
    settled_ = QImage();
    if (fitted_)
        ApplyFit();
    else
        UpdateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    UpdateCaption();
    UpdateCursor();
    viewport()->update();
}

void CPixadromeView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    // From the event loop: a window just opened from a sheet is given the
    // sheet's order first, and its folder is not listed for nothing.
    QTimer::singleShot(0, this, [this] { steps_.Prefetch(); });
}

void CPixadromeView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    // Another window of the program is in use: the pictures decoded ahead
    // go (a menu, a question or another program leave them).
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        steps_.Release();
}

QPoint CPixadromeView::PixelAt(QPoint p) const
{
    const QPoint s = ScrollPos();
    int x = static_cast<int>((p.x() + s.x()) / Scale());
    int y = static_cast<int>((p.y() + s.y()) / Scale());
    x = std::clamp(x, 0, std::max(0, static_cast<int>(doc_.Image().Width()) - 1));
    y = std::clamp(y, 0, std::max(0, static_cast<int>(doc_.Image().Height()) - 1));
    return {x, y};
}

void CPixadromeView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    if (buttonDown_) {
        // The other button cancels the drag; both releases are ignored.
        EndDrag(false);
        ignoreReleases_ = 2;
        return;
    }
    if (doc_.Image().IsEmpty())
        return;
    buttonDown_ = true;
    button_ = event->button();
    anchor_ = corner_ = PixelAt(event->position().toPoint());
    lastMouse_ = event->position().toPoint();
    autoScroll_.start();
}

void CPixadromeView::mouseMoveEvent(QMouseEvent* event)
{
    if (!buttonDown_)
        return;
    const QPoint p = event->position().toPoint();
    lastMouse_ = p;
    if (!viewport()->rect().contains(p))
        return;
    const QPoint pixel = PixelAt(p);
    const bool farEnough = std::abs(pixel.x() - anchor_.x()) * Scale() >= 4 ||
                           std::abs(pixel.y() - anchor_.y()) * Scale() >= 4;
    if (button_ == Qt::LeftButton) {
        if (!rectDrag_ && farEnough) {
            rectDrag_ = true;
            UpdateCursor();
        }
        if (rectDrag_) {
            corner_ = pixel;
            SetStatus();
            viewport()->update();
        }
    } else {
        region_ = FindUniformRegion(doc_.Image(), pixel.x(), pixel.y());
        if (!regionDrag_ && farEnough) {
            regionDrag_ = true;
            UpdateCursor();
        }
        if (regionDrag_)
            viewport()->update();
    }
}

void CPixadromeView::mouseReleaseEvent(QMouseEvent* event)
{
    if (ignoreReleases_ > 0) {
        --ignoreReleases_;
        return;
    }
    if (!buttonDown_ || event->button() != button_)
        return;
    if (rectDrag_ || regionDrag_) {
        EndDrag(true);
        return;
    }
    EndDrag(false);
    // A click: one step along the zoom sequence at the pointer.
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        StepZoomAt(event->button() == Qt::LeftButton, event->position().toPoint());
}

void CPixadromeView::EndDrag(bool copy)
{
    autoScroll_.stop();
    const bool wasRect = rectDrag_;
    const bool wasRegion = regionDrag_;
    rectDrag_ = regionDrag_ = buttonDown_ = false;
    button_ = Qt::NoButton;
    UpdateCursor();
    SetStatus();
    viewport()->update();
    if (!copy)
        return;
    if (wasRect)
        CopyRectToClipboard(std::min(anchor_.x(), corner_.x()), std::min(anchor_.y(), corner_.y()),
                            std::max(anchor_.x(), corner_.x()) + 1, std::max(anchor_.y(), corner_.y()) + 1);
    else if (wasRegion)
        CopyRectToClipboard(region_.left, region_.top, region_.right, region_.bottom);
}

void CPixadromeView::CopyRectToClipboard(int left, int top, int right, int bottom)
{
    const CImageBuffer& img = doc_.Image();
    const int w = right - left;
    const int h = bottom - top;
    CImageBuffer cut;
    if (w <= 0 || h <= 0 || !cut.Create(static_cast<uint32_t>(w), static_cast<uint32_t>(h)))
        return;
    const int imgH = static_cast<int>(img.Height());
    for (int y = 0; y < h; ++y) {
        // Picture row top + y is memory row imgH - 1 - (top + y).
        const uint8_t* src = img.Row(static_cast<uint32_t>(imgH - 1 - (top + y))) + 3 * left;
        std::memcpy(cut.Row(static_cast<uint32_t>(h - 1 - y)), src, static_cast<size_t>(w) * 3);
    }
    WriteClipboardImage(cut);
}

void CPixadromeView::OnAutoScroll()
{
    if (!buttonDown_)
        return;
    const QRect r = viewport()->rect();
    int dx = 0, dy = 0;
    if (lastMouse_.x() < r.left())
        dx = -8;
    else if (lastMouse_.x() > r.right())
        dx = 8;
    if (lastMouse_.y() < r.top())
        dy = -8;
    else if (lastMouse_.y() > r.bottom())
        dy = 8;
    if (dx || dy) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
        verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
    }
}

void CPixadromeView::OnEditCopy()
{
    WaitCursor wait;
    WriteClipboardImage(doc_.Image(), doc_.PathName());
}

bool CPixadromeView::CanUndo() const { return doc_.IsModified() && !doc_.PathName().isEmpty(); }

void CPixadromeView::OnUndo()
{
    if (!CanUndo())
        return;
    doc_.Reload();
    UpdateScrollBars();
    QMdiSubWindow* frame = Frame();
    if (frame && !frame->isMaximized())
        FitWindowToImage();
    viewport()->update();
}

void CPixadromeView::FollowNewSize()
{
    QMdiSubWindow* frame = Frame();
    if (frame && !frame->isMaximized())
        FitWindowToImage();
    viewport()->update();
}

void CPixadromeView::OnRotateRight()
{
    doc_.Apply([](CImageBuffer& picture) {
        RotateRight(picture);
        return true;
    });
}

void CPixadromeView::OnRotateLeft()
{
    doc_.Apply([](CImageBuffer& picture) {
        RotateLeft(picture);
        return true;
    });
}

void CPixadromeView::OnEnhance()
{
    doc_.Apply([](CImageBuffer& picture) {
        Enhance(picture);
        return true;
    });
}

void CPixadromeView::OnColorCorrection()
{
    CColorSettingsDlg dialog(doc_, this);
    dialog.exec();
}

void CPixadromeView::OnResize()
{
    AppServices& app = doc_.Services();
    SettingsStore& settings = app.Settings();
    CResizeDlg dialog(doc_.Width(), doc_.Height(), settings.Get(settings::kPageWidth),
                      settings.Get(settings::kPageHeight), app.Prompt(), this);
    if (dialog.exec() == QDialog::Accepted)
        ApplyResize(dialog.NewWidth(), dialog.NewHeight());
}

void CPixadromeView::OnColorReduction()
{
    AppServices& app = doc_.Services();
    CColorReductionDlg dialog(app.Prompt(), this);
    if (dialog.exec() == QDialog::Accepted)
        ApplyColorReduction(dialog.Options());
}

bool CPixadromeView::ApplyColorReduction(const ReduceOptions& options)
{
    ReduceOptions o = options;
    o.writeBack = true;
    return doc_.Apply([&o](CImageBuffer& picture) { return ReduceColors(picture, o); });
}

void CPixadromeView::PrintTo(QPrinter& printer, bool highQuality, bool preview)
{
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    PrintImagePage(doc_.Image(), painter, QRect(0, 0, page.width(), page.height()), highQuality, preview);
}

void CPixadromeView::OnPrint()
{
    AppServices& app = doc_.Services();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(doc_.Title());
    CPixadromePrintDlg dialog(&printer, app.Settings(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    WaitCursor wait;
    PrintTo(printer, dialog.HighQuality(), false);
}

void CPixadromeView::OnPrintPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { PrintTo(*p, false, true); });
    preview.exec();
}

void CPixadromeView::ApplyResize(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    doc_.Apply([width, height](CImageBuffer& picture) {
        picture.Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
        return true;
    });
}

}  // namespace pix
