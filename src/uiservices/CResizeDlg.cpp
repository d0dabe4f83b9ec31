#include "uiservices/CResizeDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Prompter.h"

namespace pix {

namespace {

constexpr int kMinSize = 1;
constexpr int kMaxSize = 8000;

struct StandardSize {
    int width;
    int height;
    const char* label;
};
constexpr StandardSize kStandard[] = {{320, 200, "320x200"},   {640, 480, "640x480"},   {800, 600, "800x600"},
                                      {1024, 768, "1024x768"}, {1152, 864, "1152x864"}, {1280, 1024, "1280x1024"}};

int Round(double v) { return static_cast<int>(v + 0.5); }

int FieldValue(const QLineEdit* edit, bool* ok = nullptr) { return edit->text().trimmed().toInt(ok); }

}  // namespace

class CResizeDlg::Preview : public QWidget {
public:
    explicit Preview(CResizeDlg& dialog) : QWidget(&dialog), dialog_(dialog)
    {
        setMinimumSize(240, 180);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0xD8, 0xD8, 0xD8));
        const double s = dialog_.scale_ > 0 ? dialog_.scale_ : 1;
        auto box = [&](int w, int h) {
            return QRect(0, 0, static_cast<int>(w * width() / s), static_cast<int>(h * height() / s));
        };
        p.setPen(Qt::gray);
        for (const StandardSize& size : kStandard) {
            const QRect r = box(size.width, size.height);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r.adjusted(2, 0, -2, -2), Qt::AlignRight | Qt::AlignBottom, QString::fromLatin1(size.label));
        }
        if (dialog_.sourceWidth_ > 0 && dialog_.sourceHeight_ > 0) {
            const QRect r = box(dialog_.sourceWidth_, dialog_.sourceHeight_);
            p.setPen(QPen(Qt::darkGreen, 2));
            p.drawRect(r.adjusted(1, 1, -1, -1));
            p.drawText(r.adjusted(4, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop, tr("Original Image"));
        }
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(box(dialog_.NewWidth(), dialog_.NewHeight()).adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        dragging_ = true;
        dialog_.PressInPreview(e->position().toPoint(), size());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (!dragging_)
            return;
        setCursor(Qt::SizeFDiagCursor);
        dialog_.PressInPreview(e->position().toPoint(), size());
    }
    void mouseReleaseEvent(QMouseEvent*) override
    {
        dragging_ = false;
        setCursor(Qt::CrossCursor);
        dialog_.RecomputeScale();
        update();
    }

private:
    CResizeDlg& dialog_;
    bool dragging_ = false;
};

CResizeDlg::CResizeDlg(int sourceWidth, int sourceHeight, int startWidth, int startHeight, Prompter& prompter,
                       QWidget* parent)
    : QDialog(parent), sourceWidth_(sourceWidth), sourceHeight_(sourceHeight), prompter_(prompter)
{
    setWindowTitle(tr("Set new size"));
    width_ = new QLineEdit(this);
    height_ = new QLineEdit(this);
    aspect_ = new QCheckBox(tr("Maintain aspect ratio"), this);
    preview_ = new Preview(*this);
    const bool hasSource = sourceWidth >= 1 && sourceHeight >= 1;
    aspect_->setChecked(hasSource);
    aspect_->setEnabled(hasSource);
    SetFields(hasSource ? sourceWidth : startWidth, hasSource ? sourceHeight : startHeight);
    RecomputeScale();

    connect(width_, &QLineEdit::textEdited, this, [this] { TypeWidth(FieldValue(width_)); });
    connect(height_, &QLineEdit::textEdited, this, [this] { TypeHeight(FieldValue(height_)); });
    connect(aspect_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ApplyAspect();
        preview_->update();
    });

    auto* form = new QFormLayout;
    form->addRow(tr("Width:"), width_);
    form->addRow(tr("Height:"), height_);
    form->addRow(aspect_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CResizeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CResizeDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(preview_, 1);
    layout->addWidget(buttons);
}

int CResizeDlg::NewWidth() const { return FieldValue(width_); }
int CResizeDlg::NewHeight() const { return FieldValue(height_); }
bool CResizeDlg::MaintainAspect() const { return aspect_->isChecked(); }
void CResizeDlg::SetMaintainAspect(bool on) { aspect_->setChecked(on); }

void CResizeDlg::SetFields(int width, int height)
{
    width_->setText(QString::number(width));
    height_->setText(QString::number(height));
    preview_->update();
}

void CResizeDlg::RecomputeScale() { scale_ = std::min(kMaxSize, 2 * std::max(NewWidth(), NewHeight())); }

// Typing changes only the other field, so what is being typed stays as typed.
void CResizeDlg::TypeWidth(int width)
{
    if (FieldValue(width_) != width)
        width_->setText(QString::number(width));
    if (MaintainAspect() && sourceWidth_ > 0)
        height_->setText(QString::number(Round(static_cast<double>(sourceHeight_) * width / sourceWidth_)));
    preview_->update();
}

void CResizeDlg::TypeHeight(int height)
{
    if (FieldValue(height_) != height)
        height_->setText(QString::number(height));
    if (MaintainAspect() && sourceHeight_ > 0)
        width_->setText(QString::number(Round(static_cast<double>(sourceWidth_) * height / sourceHeight_)));
    preview_->update();
}

void CResizeDlg::ApplyAspect()
{
    if (sourceWidth_ <= 0 || sourceHeight_ <= 0)
        return;
    if (sourceHeight_ >= sourceWidth_)
        SetFields(Round(static_cast<double>(NewHeight()) * sourceWidth_ / sourceHeight_), NewHeight());
    else
        SetFields(NewWidth(), Round(static_cast<double>(NewWidth()) * sourceHeight_ / sourceWidth_));
}

void CResizeDlg::PressInPreview(QPoint p, QSize frame)
{
    if (frame.width() <= 0 || frame.height() <= 0 || scale_ <= 0)
        return;
    const double s = scale_;
    if (p.x() < frame.width() / 8) {
        // The left eighth picks a standard size by the height of the press.
        const double level = p.y() * s / frame.height();
        const StandardSize* chosen = &kStandard[0];
        for (const StandardSize& size : kStandard)
            if (level >= (size.width == 320 ? 0 : size.height))
                chosen = &size;
        SetFields(chosen->width, chosen->height);
    } else {
        const int w = std::clamp(static_cast<int>(p.x() * s / frame.width() + 0.5), kMinSize, kMaxSize);
        const int h = std::clamp(static_cast<int>(p.y() * s / frame.height() + 0.5), kMinSize, kMaxSize);
        SetFields(w, h);
    }
    if (MaintainAspect())
        ApplyAspect();
}

void CResizeDlg::accept()
{
    for (QLineEdit* field : {width_, height_}) {
        bool ok = false;
        const int v = FieldValue(field, &ok);
        if (!ok || v < kMinSize || v > kMaxSize) {
            prompter_.Show(MsgId::IntegerRange, {static_cast<long long>(kMinSize), static_cast<long long>(kMaxSize)});
            field->setFocus();
            field->selectAll();
            return;
        }
    }
    QDialog::accept();
}

}  // namespace pix
