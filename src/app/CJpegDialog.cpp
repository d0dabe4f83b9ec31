#include "app/CJpegDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QVBoxLayout>
#include <cerrno>

#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "common/Prompter.h"
#include "image/JpegCodec.h"
#include "render/ImageConversion.h"

namespace pix {

// The frame the preview is drawn in, 1:1 from the pan offset; dragging with
// the left button moves the picture.
class CJpegDialog::PreviewFrame : public QWidget {
public:
    explicit PreviewFrame(CJpegDialog& dialog) : QWidget(&dialog), dialog_(dialog)
    {
        setMinimumSize(320, 240);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        if (dialog_.source_)
            setCursor(Qt::OpenHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        dialog_.Refresh();
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
        const CImageBuffer& preview = dialog_.preview_;
        if (!dialog_.source_ || preview.IsEmpty())
            return;
        const int w = std::min(width(), static_cast<int>(preview.Width()) - dialog_.pan_.x());
        const int h = std::min(height(), static_cast<int>(preview.Height()) - dialog_.pan_.y());
        if (w > 0 && h > 0)
            DrawBuffer(preview, p, QRect(0, 0, w, h), QRect(dialog_.pan_, QSize(w, h)), true);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && dialog_.source_) {
            dragging_ = true;
            last_ = e->position().toPoint();
        }
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (!dragging_)
            return;
        const QPoint p = e->position().toPoint();
        dialog_.Pan(last_ - p);
        last_ = p;
    }
    void mouseReleaseEvent(QMouseEvent*) override { dragging_ = false; }

private:
    CJpegDialog& dialog_;
    bool dragging_ = false;
    QPoint last_;
};

namespace {

// The dialog's title: the format's own name as its save label begins.
QString TitleFor(const FormatRow& format)
{
    if (format.name == kJpegFormat.name)
        return QObject::tr("JPEG Compression");
    const std::string_view label = format.saveLabel;
    return QObject::tr("%1 Compression")
        .arg(QString::fromUtf8(label.data(), static_cast<qsizetype>(std::min(label.find(' '), label.size()))));
}

// Where the shown file is written: a name the format's reader knows.
QString TemporaryPattern(const FormatRow& format)
{
    const std::string_view extensions = format.extensions;
    const std::string_view first = extensions.substr(0, std::min(extensions.find(';'), extensions.size()));
    return QDir::tempPath() + QStringLiteral("/pxcXXXXXX.") + QString::fromUtf8(first.data(), first.size());
}

}  // namespace

CJpegDialog::CJpegDialog(const CImageBuffer* source, const QString& target, int quality, Prompter& prompter,
                         QWidget* parent, const FormatRow* format)
    : QDialog(parent), source_(source && !source->IsEmpty() ? source : nullptr), target_(target),
      prompter_(prompter), quality_(quality)
{
    if (!format || !format->writeQuality)
        format = &kJpegFormat;
    write_ = format->writeQuality;
    setWindowTitle(TitleFor(*format));
    slider_ = new QSlider(Qt::Vertical, this);
    slider_->setRange(0, 100);
    slider_->setTickInterval(10);
    slider_->setTickPosition(QSlider::TicksBothSides);
    // The slider is a compression scale: up means smaller files.
    slider_->setInvertedAppearance(true);
    slider_->setValue(100 - quality);
    qualityLabel_ = new QLabel(this);
    sizeLabel_ = new QLabel(this);
    frame_ = new PreviewFrame(*this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CJpegDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CJpegDialog::reject);
    connect(slider_, &QSlider::valueChanged, this, [this] {
        frame_->update();
        Refresh();
    });

    auto* side = new QVBoxLayout;
    side->addWidget(slider_, 1, Qt::AlignHCenter);
    side->addWidget(qualityLabel_);
    side->addWidget(sizeLabel_);
    auto* top = new QHBoxLayout;
    top->addLayout(side);
    top->addWidget(frame_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);

    if (source_) {
        temp_ = std::make_unique<QTemporaryFile>(TemporaryPattern(*format));
        temp_->setAutoRemove(true);
        if (!temp_->open())
            temp_.reset();
        else
            temp_->close();
    }
    Refresh();
    resize(640, 480);
}

CJpegDialog::~CJpegDialog() = default;

QString CJpegDialog::QualityText() const { return qualityLabel_->text(); }
QString CJpegDialog::SizeText() const { return sizeLabel_->text(); }
QString CJpegDialog::TemporaryPath() const { return temp_ ? temp_->fileName() : QString(); }

void CJpegDialog::SetSliderPosition(int position) { slider_->setValue(position); }

void CJpegDialog::Refresh()
{
    quality_ = 100 - slider_->value();
    if (quality_ == shownQuality_ && !(source_ && preview_.IsEmpty()))
        return;
    shownQuality_ = quality_;
    qualityLabel_->setText(QStringLiteral("%1%").arg(quality_));
    if (!source_ || !temp_)
        return;
    const std::string path = QDir::toNativeSeparators(temp_->fileName()).toStdString();
    write_(*source_, path, quality_).Report(prompter_);
    sizeLabel_->setText(QStringLiteral("%1 byte").arg(QFileInfo(temp_->fileName()).size()));
    preview_.Load(path);
    Pan(QPoint());  // keep the offset inside the new preview
}

void CJpegDialog::Pan(QPoint delta)
{
    const int maxX = std::max(0, static_cast<int>(preview_.Width()) - frame_->width());
    const int maxY = std::max(0, static_cast<int>(preview_.Height()) - frame_->height());
    pan_ = QPoint(std::clamp(pan_.x() + delta.x(), 0, maxX), std::clamp(pan_.y() + delta.y(), 0, maxY));
    frame_->update();
}

void CJpegDialog::accept()
{
    Refresh();
    if (source_ && !target_.isEmpty()) {
        // The very bytes whose size and look were shown replace the target;
        // when the compression wrote nothing, the target is left alone.
        const auto bytes = temp_ ? ReadFileBytes(temp_->fileName().toStdString()) : std::nullopt;
        errno = 0;
        if (!bytes || bytes->empty() || !WriteFileAtomically(QDir::toNativeSeparators(target_).toStdString(), bytes->data(),
                                           bytes->size())) {
            const int code = errno;
            prompter_.Show(MsgId::JpegCopyFailed, {QDir::toNativeSeparators(target_).toStdString(),
                                                   static_cast<long long>(code)});
        } else {
            written_ = true;
        }
    }
    temp_.reset();  // deletes the temporary file
    QDialog::accept();
}

void CJpegDialog::reject()
{
    temp_.reset();
    QDialog::reject();
}

}  // namespace pix
