#include "slideui/CSlideView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <chrono>
#include <utility>

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "database/Attributes.h"
#include "processing/SlideLoader.h"
#include "processing/SlideScaler.h"
#include "render/ImageConversion.h"
#include "sheets/SheetUpdateHint.h"
#include "uiservices/AfterReturn.h"
#include "uiservices/AppServices.h"
#include "uiservices/CSheetDocument.h"
#include "uiservices/SheetFileCommands.h"
#include "uiservices/WindowSteps.h"

namespace pix {

namespace {

constexpr int kMinDelay = 10;
constexpr int kMaxDelay = 60000;

struct Command {
    const char* name;
    const char* text;
    const char* prompt;  // "status text\ntool tip"
    std::optional<QStyle::StandardPixmap> icon;
    bool checkable;
    void (CSlideView::*run)();
    // Shows progress or asks (and so pumps events): runs after the menu
    // or key handler that triggered it has returned.
    bool afterReturn = false;
};

const Command kCommands[] = {
    {"slideOpen", QT_TRANSLATE_NOOP("CSlideView", "&Open file"), QT_TRANSLATE_NOOP("CSlideView", "Open file\nOpen File"),
     QStyle::SP_DialogOpenButton, false, &CSlideView::OnOpenFile},
    {"slidePrevious", QT_TRANSLATE_NOOP("CSlideView", "&Previous"),
     QT_TRANSLATE_NOOP("CSlideView", "Goto previous image\nGoto previous"), QStyle::SP_MediaSeekBackward, false,
     &CSlideView::OnPrevious},
    {"slideNext", QT_TRANSLATE_NOOP("CSlideView", "&Next"), QT_TRANSLATE_NOOP("CSlideView", "Goto next image\nGoto next"),
     QStyle::SP_MediaSeekForward, false, &CSlideView::OnNext},
    {"slideFirst", QT_TRANSLATE_NOOP("CSlideView", "&First"),
     QT_TRANSLATE_NOOP("CSlideView", "Goto first image\nGoto first"), QStyle::SP_MediaSkipBackward, false,
     &CSlideView::OnFirst},
    {"slideLast", QT_TRANSLATE_NOOP("CSlideView", "&Last"), QT_TRANSLATE_NOOP("CSlideView", "Goto last image\nGoto last"),
     QStyle::SP_MediaSkipForward, false, &CSlideView::OnLast},
    {"slideAutomatic", QT_TRANSLATE_NOOP("CSlideView", "&Automatic"),
     QT_TRANSLATE_NOOP("CSlideView", "Automatic\nAutomatic"), QStyle::SP_MediaPlay, true, &CSlideView::OnAutomatic},
    {"slideRandom", QT_TRANSLATE_NOOP("CSlideView", "&Random order"),
     QT_TRANSLATE_NOOP("CSlideView", "Show slides in random order\nRandom order"), QStyle::SP_BrowserReload, true,
     &CSlideView::OnRandomOrder},
    {"slideFit", QT_TRANSLATE_NOOP("CSlideView", "&Size to fit"),
     QT_TRANSLATE_NOOP("CSlideView", "Size image to fit window\nSize to fit"), QStyle::SP_TitleBarMaxButton, true,
     &CSlideView::OnSizeToFit},
    {"slideControls", QT_TRANSLATE_NOOP("CSlideView", "Slide show &controls"),
     QT_TRANSLATE_NOOP("CSlideView", "Show or hide slide show controls\nToggle slide show controls"), std::nullopt,
     true, nullptr},
    {"slideCopy", QT_TRANSLATE_NOOP("CSlideView", "Cop&y..."),
     QT_TRANSLATE_NOOP("CSlideView", "Copy or rename file\nCopy or rename"), std::nullopt, false,
     &CSlideView::OnCopyFile, true},
    {"slideMove", QT_TRANSLATE_NOOP("CSlideView", "&Move..."),
     QT_TRANSLATE_NOOP("CSlideView", "Move or rename file\nMove or rename"), std::nullopt, false,
     &CSlideView::OnMoveFile, true},
    {"slideDelete", QT_TRANSLATE_NOOP("CSlideView", "&Delete file"),
     QT_TRANSLATE_NOOP("CSlideView", "Delete the file\nDelete File"), QStyle::SP_TrashIcon, false,
     &CSlideView::OnDeleteFile, true},
    {"slideRemove", QT_TRANSLATE_NOOP("CSlideView", "R&emove"),
     QT_TRANSLATE_NOOP("CSlideView", "Remove selected thumbnails"), std::nullopt, false, &CSlideView::OnRemove},
};

}  // namespace

CSlideView::CSlideView(CSheetDocument& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(&doc)
{
    doc_->AddView(this);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::PointingHandCursor);
    // The workers only post: the window thread repaints or shows.
    scaler_ = std::make_unique<SlideScaler>([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                viewport()->update();
                if (std::exchange(resampling_, false))
                    WantSlides();
            },
            Qt::QueuedConnection);
    });
    loader_ = std::make_unique<SlideLoader>(
        [this] { QMetaObject::invokeMethod(this, &CSlideView::OnDecoded, Qt::QueuedConnection); });
    MakeActions();

    connect(doc_, &CSheetDocument::updated, this, &CSlideView::OnUpdate);
    connect(doc_, &CSheetDocument::titleChanged, this, &CSlideView::captionChanged);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CSlideView::OnTick);

    // The first update.
    generator_.seed(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    SettingsStore& settings = doc_->Services().Settings();
    delay_ = std::clamp(settings.Get(settings::kSlideDelay), kMinDelay, kMaxDelay);
    sizeToFit_ = settings.Get(settings::kSlideFit) != 0;
    random_ = settings.Get(settings::kSlideRandom) != 0;
    ShowSlide(0);
}

CSlideView::~CSlideView()
{
    timer_.stop();
    // Both wait for the work at hand; neither posts anything after.
    loader_.reset();
    scaler_.reset();
    SettingsStore& settings = doc_->Services().Settings();
    settings.Set(settings::kSlideDelay, delay_);
    settings.Set(settings::kSlideFit, sizeToFit_ ? 1 : 0);
    settings.Set(settings::kSlideRandom, random_ ? 1 : 0);
    doc_->RemoveView(this);
}

void CSlideView::MakeActions()
{
    for (const Command& command : kCommands) {
        auto* action = new QAction(QCoreApplication::translate("CSlideView", command.text), this);
        action->setObjectName(QString::fromLatin1(command.name));
        const QStringList parts = QCoreApplication::translate("CSlideView", command.prompt).split(QLatin1Char('\n'));
        action->setStatusTip(parts.value(0));
        action->setToolTip(parts.value(1, parts.value(0)));
        if (command.icon)
            action->setIcon(style()->standardIcon(*command.icon));
        action->setCheckable(command.checkable);
        if (command.run && command.afterReturn)
            ConnectAfterReturn(action, this, [this, run = command.run] { (this->*run)(); });
        else if (command.run)
            connect(action, &QAction::triggered, this, command.run);
    }
    ControlsAction()->setChecked(true);
}

QAction* CSlideView::Action(const char* name) const
{
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void CSlideView::UpdateActions()
{
    const int count = static_cast<int>(doc_->Sheet().Count());
    const bool any = count > 0;
    for (const char* name : {"slideOpen", "slidePrevious", "slideNext", "slideCopy", "slideMove", "slideDelete",
                             "slideRemove", "slideAutomatic"})
        Action(name)->setEnabled(any);
    Action("slideFirst")->setEnabled(any && index_ != 0);
    Action("slideLast")->setEnabled(index_ < count - 1);
    Action("slideAutomatic")->setChecked(Automatic());
    Action("slideFit")->setChecked(sizeToFit_);
    Action("slideRandom")->setChecked(random_);
}

QString CSlideView::PathAt(int position) const
{
    return QString::fromStdString(doc_->Sheet().Files()[doc_->Sheet().ItemAt(static_cast<size_t>(position))]);
}

QString CSlideView::Caption() const
{
    return shown_ < 0 ? doc_->Title() : doc_->Title() + QStringLiteral(" - ") + shownPath_;
}

QString CSlideView::StatusText() const
{
    const auto count = doc_->Sheet().Count();
    if (shown_ < 0)
        return QString();
    if (slideWidth_ == 0)
        return tr("%1 of %2 - no image").arg(shown_ + 1).arg(count);
    return tr("%1 of %2 - %3x%4").arg(shown_ + 1).arg(count).arg(slideWidth_).arg(slideHeight_);
}

bool CSlideView::SlideReady(int position)
{
    if (position < 0 || position >= static_cast<int>(doc_->Sheet().Count()))
        return false;
    return loader_->Find(PathAt(position).toStdString()) != nullptr;
}

std::optional<std::string> CSlideView::ViewedFile() const
{
    if (shown_ < 0)
        return std::string(kNoFileOwner);
    return shownPath_.toStdString();
}

void CSlideView::ShowSlide(long n)
{
    const long count = static_cast<long>(doc_->Sheet().Count());
    if (count == 0) {
        ShowNothing();
        return;
    }
    if (n >= count)
        n = 0;
    else if (n < 0)
        n = count - 1;
    index_ = static_cast<int>(n);
    requestedPath_ = PathAt(index_);
    decoding_ = true;
    if (loader_->Find(requestedPath_.toStdString()))
        Present();
    else
        WantSlides();
    UpdateActions();
}

void CSlideView::OnDecoded()
{
    if (decoding_ && loader_->Find(requestedPath_.toStdString()))
        Present();
}

void CSlideView::Present()
{
    SlideLoader::Picture picture = loader_->Find(requestedPath_.toStdString());
    if (!picture)
        return;
    decoding_ = false;
    if (shownPath_ != requestedPath_)
        leftPath_ = shownPath_;
    shown_ = index_;
    shownPath_ = requestedPath_;
    slideWidth_ = picture->IsEmpty() ? 0 : picture->Width();
    slideHeight_ = picture->IsEmpty() ? 0 : picture->Height();
    paintedResampled_ = false;
    if (random_ && doc_->Sheet().Count() > 0)
        nextRandom_ = static_cast<uint32_t>(generator_() % doc_->Sheet().Count());
    scaler_->SetSlide(picture->IsEmpty() ? nullptr : std::move(picture));
    Layout();
    viewport()->update();
    WantSlides();
    if (tickWaiting_) {
        // The tick that came during the decode: this slide now has its time.
        tickWaiting_ = false;
        timer_.start(delay_);
    }
    UpdateActions();
    emit captionChanged();
    emit statusTextChanged(StatusText());
    emit slideShown();
}

void CSlideView::ShowNothing()
{
    decoding_ = false;
    index_ = 0;
    shown_ = -1;
    shownPath_.clear();
    leftPath_.clear();
    slideWidth_ = slideHeight_ = 0;
    scaler_->SetSlide(nullptr);
    loader_->Want({});
    Layout();
    viewport()->update();
    UpdateActions();
    emit captionChanged();
    emit statusTextChanged(StatusText());
    emit slideShown();
}

int CSlideView::NextIndex() const
{
    const int count = static_cast<int>(doc_->Sheet().Count());
    if (random_)
        return static_cast<int>(nextRandom_ % static_cast<uint32_t>(count));
    return index_ + 1 < count ? index_ + 1 : 0;
}

void CSlideView::WantSlides()
{
    if (doc_->Sheet().Count() == 0)
        return;
    std::vector<std::string> paths{requestedPath_.toStdString()};
    // Ahead only once the slide asked for is there and resampled.
    if (!decoding_ && !resampling_)
        paths.push_back(PathAt(NextIndex()).toStdString());
    for (const QString& kept : {shownPath_, leftPath_})
        if (!kept.isEmpty())
            paths.push_back(kept.toStdString());
    loader_->Want(std::move(paths));
}

void CSlideView::Layout()
{
    // Laid out in the screen's own pixels (two a coordinate at 200 %).
    const double ratio = viewport()->devicePixelRatioF();
    const int cw = static_cast<int>(std::lround(viewport()->width() * ratio));
    const int ch = static_cast<int>(std::lround(viewport()->height() * ratio));
    const int w = static_cast<int>(slideWidth_);
    const int h = static_cast<int>(slideHeight_);
    paintedResampled_ = false;
    resampling_ = false;
    layoutTarget_.reset();
    if (sizeToFit_) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        resampling_ = w > 0 && cw > 0 && ch > 0;
        if (resampling_) {
            // The worker starts once the fast picture is painted: the two
            // would compete for the processor and the memory.
            layoutTarget_ = FitSlide(static_cast<uint32_t>(cw), static_cast<uint32_t>(ch), slideWidth_, slideHeight_);
            if (!viewport()->isVisible())
                RequestResample();
        }
    } else {
        horizontalScrollBar()->setRange(0, std::max(0, w - cw));
        verticalScrollBar()->setRange(0, std::max(0, h - ch));
        horizontalScrollBar()->setPageStep(cw);
        verticalScrollBar()->setPageStep(ch);
        horizontalScrollBar()->setSingleStep(16);
        verticalScrollBar()->setSingleStep(16);
    }
}

void CSlideView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    // Painted in the screen's own pixels, as laid out.
    const double ratio = viewport()->devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    const QRect client(QPoint(0, 0), viewport()->size() * ratio);
    QRect area;
    bool resampled = false;
    scaler_->Paint([&](const SlideScaler::Frame& frame) {
        if (!frame.slide)
            return;
        const CImageBuffer& slide = *frame.slide;
        const QRect source(0, 0, static_cast<int>(slide.Width()), static_cast<int>(slide.Height()));
        if (sizeToFit_) {
            const SlideSize fit = layoutTarget_.value_or(frame.target);
            const QSize target(static_cast<int>(fit.width), static_cast<int>(fit.height));
            area = QRect(QPoint((client.width() - target.width()) / 2, (client.height() - target.height()) / 2),
                         target);
            resampled = frame.scaled != nullptr && !layoutTarget_;
            if (resampled)
                DrawBuffer(*frame.scaled, painter, area, QRect(QPoint(0, 0), target), false);
            else
                DrawBuffer(slide, painter, area, source, false);
        } else {
            // Centred in the scrollable area, which is at least the client.
            const int sw = std::max(client.width(), source.width());
            const int sh = std::max(client.height(), source.height());
            area = QRect(QPoint((sw - source.width()) / 2 - horizontalScrollBar()->value(),
                                (sh - source.height()) / 2 - verticalScrollBar()->value()),
                         source.size());
            DrawBuffer(slide, painter, area, source, false);
        }
    });
    painter.setClipRegion(QRegion(client).subtracted(QRegion(area)));
    painter.fillRect(client, Qt::black);
    paintedResampled_ = resampled;
    RequestResample();
    emit painted();
}

void CSlideView::RequestResample()
{
    if (layoutTarget_)
        scaler_->Request(*std::exchange(layoutTarget_, std::nullopt));
}

void CSlideView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Layout();
}

void CSlideView::scrollContentsBy(int, int) { viewport()->update(); }

void CSlideView::OnLast() { ShowSlide(static_cast<long>(doc_->Sheet().Count()) - 1); }

void CSlideView::OnAutomatic()
{
    if (Automatic()) {
        timer_.stop();
        tickWaiting_ = false;
    } else {
        timer_.start(delay_);
    }
    UpdateActions();
}

void CSlideView::SetDelay(int milliseconds)
{
    delay_ = std::clamp(milliseconds, kMinDelay, kMaxDelay);
    if (timer_.isActive())
        timer_.start(delay_);
}

void CSlideView::OnTick()
{
    if (decoding_) {
        // The slide asked for comes first; the timer waits for it.
        timer_.stop();
        tickWaiting_ = true;
        return;
    }
    if (doc_->Sheet().Count() > 0)
        ShowSlide(NextIndex());
}

void CSlideView::OnSizeToFit()
{
    sizeToFit_ = !sizeToFit_;
    Layout();
    viewport()->update();
    UpdateActions();
}

void CSlideView::OnRandomOrder()
{
    random_ = !random_;
    if (random_ && doc_->Sheet().Count() > 0)
        nextRandom_ = static_cast<uint32_t>(generator_() % doc_->Sheet().Count());
    WantSlides();
    UpdateActions();
}

void CSlideView::OnOpenFile()
{
    if (shown_ >= 0)
        doc_->Services().OpenImageWindow(shownPath_);
}

// The file commands act on the item asked for, as navigation does; the
// document's hints then show what stands at its position.
void CSlideView::OnDeleteFile()
{
    if (doc_->Sheet().Count() > 0)
        DeleteItemFiles(*doc_, {static_cast<size_t>(index_)});
}

void CSlideView::OnCopyFile()
{
    if (doc_->Sheet().Count() > 0)
        CopyOrMoveItemFiles(*doc_, {static_cast<size_t>(index_)}, false);
}

void CSlideView::OnMoveFile()
{
    if (doc_->Sheet().Count() > 0)
        CopyOrMoveItemFiles(*doc_, {static_cast<size_t>(index_)}, true);
}

void CSlideView::OnRemove()
{
    if (doc_->Sheet().Count() > 0)
        RemoveItems(*doc_, {static_cast<size_t>(index_)});
}

void CSlideView::OnUpdate(QObject* sender, uint32_t hint)
{
    if (sender == this)
        return;
    const int position = static_cast<int>(HintPosition(hint));
    const int count = static_cast<int>(doc_->Sheet().Count());
    switch (HintKind(hint)) {
    case SheetChange::FormatChanged:
        return;
    case SheetChange::SelectionChanged:
        if (position != index_ && position < count)
            ShowSlide(position);
        return;
    case SheetChange::ItemRemoved:
        // The slides kept are by file: only what comes next may change.
        if (count == 0)
            ShowNothing();
        else if (position == index_)
            ShowSlide(index_);  // what stands there now
        else if (position < index_)
            --index_;
        if (position < shown_)
            --shown_;
        break;
    case SheetChange::ItemInserted:
        if (shown_ < 0 && !decoding_) {
            ShowSlide(0);
            break;
        }
        if (position <= index_)
            ++index_;
        if (shown_ >= 0 && position <= shown_)
            ++shown_;
        break;
    case SheetChange::ItemChanged:
        // A file copied, moved or changed: decoded again.
        loader_->Forget();
        if (position == index_)
            ShowSlide(index_);
        break;
    case SheetChange::RefreshAll:
        // Another order, other files maybe: what stands at the position now.
        loader_->Forget();
        ShowSlide(index_);
        break;
    }
    if (!decoding_)
        WantSlides();
    UpdateActions();
    emit statusTextChanged(StatusText());
}

QMdiSubWindow* CSlideView::Frame() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* frame = qobject_cast<QMdiSubWindow*>(w))
            return frame;
    return nullptr;
}

void CSlideView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        OnAutomatic();
        break;
    case Qt::Key_PageUp:
        OnPrevious();
        break;
    case Qt::Key_PageDown:
        OnNext();
        break;
    case Qt::Key_Home:
        OnFirst();
        break;
    case Qt::Key_End:
        OnLast();
        break;
    case Qt::Key_Backspace:
        OnDeleteFile();
        break;
    case Qt::Key_Delete:
        OnRemove();
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        StepDocumentWindow(this, *event);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Left and Right step through the slides unless they have a slide
        // wider than the window to scroll.
        if (horizontalScrollBar()->maximum() > 0) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        if (event->key() == Qt::Key_Left)
            OnPrevious();
        else
            OnNext();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);  // the arrows scroll by a line
        return;
    }
    event->accept();
}

void CSlideView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !swallowPress_) {
        OnOpenFile();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

QMenu* CSlideView::MakeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    UpdateActions();
    menu->addAction(Action("slideOpen"));
    menu->setDefaultAction(Action("slideOpen"));
    menu->addSeparator();
    for (const char* name : {"slideNext", "slidePrevious", "slideFirst", "slideLast"})
        menu->addAction(Action(name));
    menu->addSeparator();
    for (const char* name : {"slideAutomatic", "slideFit", "slideRandom", "slideControls"})
        menu->addAction(Action(name));
    menu->addSeparator();
    for (const char* name : {"slideCopy", "slideMove", "slideDelete", "slideRemove"})
        menu->addAction(Action(name));
    return menu;
}

void CSlideView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = MakeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // A press that closes the menu over the view opens nothing, whether
    // Qt hands it on or not.
    menu->setAttribute(Qt::WA_NoMouseReplay);
    connect(menu, &QMenu::aboutToHide, this, [this] {
        swallowPress_ = true;
        QMetaObject::invokeMethod(this, [this] { swallowPress_ = false; }, Qt::QueuedConnection);
    });
    menu->popup(event->globalPos());
}

}  // namespace pix
