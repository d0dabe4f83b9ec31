#include "slideui/CSlideView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
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

CSlideView::CSlideView(CSheetDocument& doc, QWidget* parent)
    : QAbstractScrollArea(parent),
      doc_(&doc),
      show_(doc.Sheet(), static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()))
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
    SettingsStore& settings = doc_->Services().Settings();
    show_.SetDelay(settings.Get(settings::kSlideDelay));
    sizeToFit_ = settings.Get(settings::kSlideFit) != 0;
    show_.SetRandom(settings.Get(settings::kSlideRandom) != 0);
    ShowSlide(0);
}

CSlideView::~CSlideView()
{
    timer_.stop();
    // Both wait for the work at hand; neither posts anything after.
    loader_.reset();
    scaler_.reset();
    SettingsStore& settings = doc_->Services().Settings();
    settings.Set(settings::kSlideDelay, show_.Delay());
    settings.Set(settings::kSlideFit, sizeToFit_ ? 1 : 0);
    settings.Set(settings::kSlideRandom, show_.Random() ? 1 : 0);
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
    Action("slideFirst")->setEnabled(any && show_.Index() != 0);
    Action("slideLast")->setEnabled(show_.Index() < count - 1);
    Action("slideAutomatic")->setChecked(Automatic());
    Action("slideFit")->setChecked(sizeToFit_);
    Action("slideRandom")->setChecked(show_.Random());
}

QString CSlideView::Caption() const
{
    return show_.Shown() < 0 ? doc_->Title()
                             : doc_->Title() + QStringLiteral(" - ") + QString::fromStdString(show_.ShownPath());
}

QString CSlideView::StatusText() const
{
    const auto count = doc_->Sheet().Count();
    const int shown = show_.Shown();
    if (shown < 0)
        return QString();
    if (slideWidth_ == 0)
        return tr("%1 of %2 - no image").arg(shown + 1).arg(count);
    return tr("%1 of %2 - %3x%4").arg(shown + 1).arg(count).arg(slideWidth_).arg(slideHeight_);
}

bool CSlideView::SlideReady(int position)
{
    if (position < 0 || position >= static_cast<int>(doc_->Sheet().Count()))
        return false;
    return loader_->Find(show_.PathAt(position)) != nullptr;
}

std::optional<std::string> CSlideView::ViewedFile() const
{
    return show_.Shown() < 0 ? std::string() : show_.ShownPath();
}

void CSlideView::ShowSlide(long n)
{
    if (!show_.Ask(n)) {
        ShowNothing();
        return;
    }
    if (loader_->Find(show_.RequestedPath()))
        Present();
    else
        WantSlides();
    UpdateActions();
}

void CSlideView::OnDecoded()
{
    if (show_.Decoding() && loader_->Find(show_.RequestedPath()))
        Present();
}

void CSlideView::Present()
{
    SlideLoader::Picture picture = loader_->Find(show_.RequestedPath());
    if (!picture)
        return;
    // A tick that came during the decode: this slide now has its time.
    if (show_.Arrived())
        timer_.start(show_.Delay());
    slideWidth_ = picture->IsEmpty() ? 0 : picture->Width();
    slideHeight_ = picture->IsEmpty() ? 0 : picture->Height();
    paintedResampled_ = false;
    scaler_->SetSlide(picture->IsEmpty() ? nullptr : std::move(picture));
    Layout();
    viewport()->update();
    WantSlides();
    UpdateActions();
    emit captionChanged();
    emit statusTextChanged(StatusText());
    emit slideShown();
}

void CSlideView::ShowNothing()
{
    show_.Clear();
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

void CSlideView::WantSlides()
{
    if (doc_->Sheet().Count() == 0)
        return;
    // Ahead only once the slide asked for is there and resampled.
    loader_->Want(show_.Wanted(!resampling_));
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
        show_.CancelTick();
    } else {
        timer_.start(show_.Delay());
    }
    UpdateActions();
}

void CSlideView::SetDelay(int milliseconds)
{
    show_.SetDelay(milliseconds);
    if (timer_.isActive())
        timer_.start(show_.Delay());
}

void CSlideView::OnTick()
{
    const int next = show_.Tick();
    if (show_.TickWaiting())
        timer_.stop();  // restarted when the slide asked for arrives
    else if (next >= 0)
        ShowSlide(next);
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
    show_.SetRandom(!show_.Random());
    WantSlides();
    UpdateActions();
}

void CSlideView::OnOpenFile()
{
    if (show_.Shown() >= 0)
        doc_->Services().OpenImageWindow(QString::fromStdString(show_.ShownPath()));
}

// The file commands act on the item asked for, as navigation does; the
// document's hints then show what stands at its position.
void CSlideView::OnDeleteFile()
{
    if (doc_->Sheet().Count() > 0)
        DeleteItemFiles(*doc_, {static_cast<size_t>(show_.Index())});
}

void CSlideView::OnCopyFile()
{
    if (doc_->Sheet().Count() > 0)
        CopyOrMoveItemFiles(*doc_, {static_cast<size_t>(show_.Index())}, false);
}

void CSlideView::OnMoveFile()
{
    if (doc_->Sheet().Count() > 0)
        CopyOrMoveItemFiles(*doc_, {static_cast<size_t>(show_.Index())}, true);
}

void CSlideView::OnRemove()
{
    if (doc_->Sheet().Count() > 0)
        RemoveItems(*doc_, {static_cast<size_t>(show_.Index())});
}

void CSlideView::OnUpdate(QObject* sender, uint32_t hint)
{
    if (sender == this)
        return;
    const SheetChange kind = HintKind(hint);
    if (kind == SheetChange::FormatChanged)
        return;
    // A file copied, moved or changed, or the whole sheet: decoded again.
    if (kind == SheetChange::ItemChanged || kind == SheetChange::RefreshAll)
        loader_->Forget();
    switch (show_.Changed(kind, static_cast<int>(HintPosition(hint)))) {
    case SlideShow::Follow::AskIndex:
        ShowSlide(show_.Index());
        break;
    case SlideShow::Follow::ShowNothing:
        ShowNothing();
        break;
    case SlideShow::Follow::Stay:
        break;
    }
    if (kind == SheetChange::SelectionChanged)
        return;
    if (!show_.Decoding())
        WantSlides();
    UpdateActions();
    emit statusTextChanged(StatusText());
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
