#include "sheetsui/SheetHoverPreview.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "sheetsui/CThumbnailView.h"
#include "sheetsui/PreviewLoader.h"
#include "sheetsui/SheetModel.h"

namespace pix {

namespace {

constexpr int kLastStep = 255;
constexpr int kGrowInterval = 10;  // ms a step
constexpr int kWipeInterval = 15;  // ms a phase
constexpr int kWipePhases = 4;     // rows, columns, single pixels, gone
// Smaller previews go at once.
constexpr int kSmallestWiped = 32;

// A magnifying glass, the hot spot in the middle of the glass.
const QCursor& MagnifierCursor()
{
    static const QCursor cursor = [] {
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(200, 230, 255, 160));
        p.setPen(QPen(Qt::white, 5));
        p.drawLine(18, 18, 28, 28);
        p.drawEllipse(QPoint(11, 11), 8, 8);
        p.setPen(QPen(Qt::black, 3));
        p.drawLine(18, 18, 28, 28);
        p.setPen(QPen(Qt::black, 1.5));
        p.drawEllipse(QPoint(11, 11), 8, 8);
        p.end();
        return QCursor(pm, 11, 11);
    }();
    return cursor;
}

// The preview's pixels: a widget over the list that takes no input and
// lets the list show wherever it has no pixel.
class PreviewPicture final : public QWidget {
public:
    explicit PreviewPicture(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    void SetFrame(QImage frame)
    {
        frame_ = std::move(frame);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, frame_);
    }

private:
    QImage frame_;
};

// Whether pixel (x, y) is gone in wipe phase (0: none yet).
bool Wiped(int x, int y, int phase)
{
    return (phase >= 1 && y % 2 == 0) || (phase >= 2 && x % 2 == 0) || (phase >= 3 && (x / 2 + y / 2) % 2 == 0);
}

}  // namespace

SheetHoverPreview::SheetHoverPreview(CThumbnailView& view)
    : QObject(&view),
      view_(view),
      loader_(std::make_unique<PreviewLoader>(this, kReadSide,
                                              [this](uint64_t ticket, const QImage& p) { OnPicture(ticket, p); }))
{
    view_.viewport()->setMouseTracking(true);
    view_.viewport()->installEventFilter(this);
    view_.installEventFilter(this);
    grow_.setInterval(kGrowInterval);
    wipe_.setInterval(kWipeInterval);
    connect(&grow_, &QTimer::timeout, this, &SheetHoverPreview::Grow);
    connect(&wipe_, &QTimer::timeout, this, &SheetHoverPreview::WipeStep);
    // Rows that move take the preview's item with them.
    const auto listChanged = [this] {
        lastRow_ = -1;
        Remove(true);
    };
    QAbstractItemModel* model = view_.model();
    connect(model, &QAbstractItemModel::rowsInserted, this, listChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(model, &QAbstractItemModel::modelReset, this, listChanged);
    connect(model, &QAbstractItemModel::layoutChanged, this, listChanged);
}

SheetHoverPreview::~SheetHoverPreview() = default;

std::vector<int> SheetHoverPreview::GrowSteps(int side)
{
    std::vector<int> steps{side};
    while (steps.back() < kLastStep)
        steps.push_back(std::min(steps.back() + steps.back() / 8 + 1, kLastStep));
    return steps;
}

bool SheetHoverPreview::Shown() const { return Visible() && wipePhase_ == 0; }

bool SheetHoverPreview::Visible() const { return overlay_ && !overlay_->isHidden(); }

bool SheetHoverPreview::Waiting() const { return loader_->Waiting(); }

bool SheetHoverPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &view_) {
        if (event->type() == QEvent::FocusOut)
            Remove(true);
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() == Qt::NoButton && mouse->modifiers() == Qt::NoModifier)
            OnMouseMove(mouse->position().toPoint());
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        Remove(true);
        break;
    case QEvent::Leave:
        inside_ = false;
        lastRow_ = -1;
        if (magnifier_) {
            view_.viewport()->unsetCursor();
            magnifier_ = false;
        }
        Remove(false);
        break;
    default:
        break;
    }
    return false;
}

void SheetHoverPreview::OnMouseMove(QPoint at)
{
    mouse_ = at;
    inside_ = true;
    const QModelIndex index = view_.indexAt(at);
    const int row = index.isValid() ? index.row() : -1;
    if (row_ >= 0 && row != row_)
        Remove(false);
    const bool overPicture = index.isValid() && view_.PictureRect(index).contains(at);
    if (overPicture != magnifier_) {
        if (overPicture)
            view_.viewport()->setCursor(MagnifierCursor());
        else
            view_.viewport()->unsetCursor();
        magnifier_ = overPicture;
    }
    const bool rested = row == lastRow_;
    lastRow_ = row;
    if (!overPicture || !rested || row == row_)
        return;
    const QSize pictures = view_.iconSize();
    if (pictures.width() > kReadSide || pictures.height() > kReadSide)
        return;
    if (view_.selectionModel() && view_.selectionModel()->isSelected(index))
        return;
    row_ = row;
    ticket_ = loader_->Request(index.data(SheetModel::kPathRole).toString().toStdString());
}

void SheetHoverPreview::OnPicture(uint64_t ticket, const QImage& picture)
{
    if (ticket != ticket_ || row_ < 0)
        return;
    // Only for the item the mouse still rests on.
    if (picture.isNull() || !inside_ || view_.indexAt(mouse_).row() != row_) {
        row_ = -1;
        return;
    }
    picture_ = picture;
    steps_ = GrowSteps(view_.iconSize().width());
    std::reverse(steps_.begin(), steps_.end());
    wipe_.stop();
    wipePhase_ = 0;
    if (!overlay_)
        overlay_ = new PreviewPicture(view_.viewport());
    Grow();
    grow_.start();
}

void SheetHoverPreview::Grow()
{
    if (steps_.empty()) {
        grow_.stop();
        return;
    }
    side_ = steps_.back();
    steps_.pop_back();
    Draw();
    if (steps_.empty())
        grow_.stop();
}

void SheetHoverPreview::Draw()
{
    if (!overlay_ || picture_.isNull())
        return;
    // Fitted into side × side: the longer side s, the other in proportion.
    const int s = side_;
    const int pw = picture_.width();
    const int ph = picture_.height();
    const int w = pw >= ph ? s : std::max(1, static_cast<int>(static_cast<long long>(s) * pw / ph));
    const int h = pw >= ph ? std::max(1, static_cast<int>(static_cast<long long>(s) * ph / pw)) : s;
    const int shadow = s * 16 / 256;
    QImage frame(w + shadow, h + shadow, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter p(&frame);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(0, 0, w, h), picture_);
    }
    // The shadow: every second pixel black along the right and bottom.
    const QRgb black = qRgb(0, 0, 0);
    const auto stipple = [&](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if ((x + y) % 2 == 0)
                    frame.setPixel(x, y, black);
    };
    stipple(w, shadow, w + shadow, h + shadow);
    stipple(shadow, h, w, h + shadow);
    if (wipePhase_ > 0)
        for (int y = 0; y < frame.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < frame.width(); ++x)
                if (Wiped(x, y, wipePhase_))
                    line[x] = 0;
        }
    static_cast<PreviewPicture*>(overlay_.data())->SetFrame(frame);
    if (wipePhase_ == 0 && row_ >= 0) {
        // Centred on the thumbnail, inside the window.
        const QPoint centre = view_.PictureRect(view_.model()->index(row_, 0)).center();
        const QWidget* list = view_.viewport();
        const int x = std::max(0, std::min(centre.x() - w / 2, list->width() - frame.width()));
        const int y = std::max(0, std::min(centre.y() - h / 2, list->height() - frame.height()));
        overlay_->setGeometry(x, y, frame.width(), frame.height());
    }
    overlay_->show();
    overlay_->raise();
}

void SheetHoverPreview::Remove(bool atOnce)
{
    if (loader_->Waiting())
        loader_->Cancel();
    row_ = -1;
    grow_.stop();
    steps_.clear();
    if (!Visible())
        return;
    if (atOnce || side_ < kSmallestWiped) {
        wipe_.stop();
        wipePhase_ = 0;
        overlay_->hide();
        return;
    }
    if (wipePhase_ == 0) {
        wipePhase_ = 1;
        Draw();
        wipe_.start();
    }
}

void SheetHoverPreview::WipeStep()
{
    if (++wipePhase_ >= kWipePhases) {
        wipe_.stop();
        wipePhase_ = 0;
        if (overlay_)
            overlay_->hide();
        return;
    }
    Draw();
}

}  // namespace pix
