// The "Background" and "Text" pages of the format editor.
#include <QCheckBox>
#include <QColorDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "render/FontConversion.h"
#include "render/ImageConversion.h"
#include "sheets/PagePixels.h"
#include "sheets/SheetOutput.h"
#include "sheetsui/CFormatDlg.h"
#include "uiservices/FileChooser.h"

namespace pix {

namespace {

QColor ToColor(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
uint32_t FromColor(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

// Fills a colour's swatch with it.
void PaintSwatch(QLabel* swatch, uint32_t color)
{
    QPixmap fill(swatch->contentsRect().size().expandedTo(QSize(1, 1)));
    fill.fill(ToColor(color));
    swatch->setPixmap(fill);
}

QString Shown(const std::string& text) { return QString::fromStdString(text).replace(QStringLiteral("\r\n"), "\n"); }

struct Field {
    const char* entry;
    const char* name;
};
// The page fields (title and footer), then the item fields (labels).
constexpr Field kPageFields[] = {{"File title", "[FileTitle]"},
                                 {"Page number", "[PageNo]"},
                                 {"Total number of pages", "[PagesTotal]"},
                                 {"Total number of items", "[ItemsTotal]"},
                                 {"Index of first item on page", "[FirstItemNo]"},
                                 {"Index of last item on page", "[LastItemNo]"}};
constexpr Field kItemFields[] = {{"File title", "[FileTitle]"},   {"File name", "[FileName]"},
                                 {"File path", "[FilePath]"},     {"Label", "[Label]"},
                                 {"Index of item", "[ItemNo]"},   {"Image width", "[Width]"},
                                 {"Image height", "[Height]"},    {"File size", "[FileSize]"},
                                 {"File size (short)", "[ShortFileSize]"},
                                 {"Creation date", "[FileCreated]"},
                                 {"Last modification date", "[FileModified]"},
                                 {"CRC32 checksum", "[CRC32]"},
                                 {"Date taken", "[DateTaken]"},
                                 {"Camera", "[Camera]"},
                                 {"Lens", "[Lens]"},
                                 {"Exposure time", "[Exposure]"},
                                 {"Aperture", "[Aperture]"},
                                 {"ISO speed", "[ISO]"},
                                 {"Focal length", "[FocalLength]"}};

}  // namespace

QWidget* CFormatDlg::MakeBackgroundPage()
{
    auto* page = new QWidget;
    auto* colors = new QGroupBox(tr("Color"), page);
    auto* c = new QGridLayout(colors);
    preview_ = new QLabel(colors);
    preview_->setFixedSize(160, 100);
    horizontal_ = new QCheckBox(tr("Horizontal gradient"), colors);
    vertical_ = new QCheckBox(tr("Vertical gradient"), colors);
    horizontal_->setChecked(format_.bgH != 0);
    vertical_->setChecked(format_.bgV != 0);
    struct Swatch {
        const char* text;
        uint32_t* color;
    };
    const Swatch swatches[] = {{"Change...", &format_.bgC}, {"Left...", &format_.bgL}, {"Right...", &format_.bgR},
                               {"Top...", &format_.bgT},    {"Bottom...", &format_.bgB}};
    int row = 0;
    for (const Swatch& s : swatches) {
        auto* swatch = new QLabel(colors);
        swatch->setFixedSize(24, 16);
        swatch->setFrameShape(QFrame::Box);
        PaintSwatch(swatch, *s.color);
        auto* button = new QPushButton(tr(s.text), colors);
        uint32_t* color = s.color;
        connect(button, &QPushButton::clicked, this, [this, color, swatch] {
            const QColor chosen = QColorDialog::getColor(ToColor(*color), this);
            if (chosen.isValid()) {
                *color = FromColor(chosen);
                PaintSwatch(swatch, *color);
                PaintPreview();
            }
        });
        c->addWidget(swatch, row, 1);
        c->addWidget(button, row++, 2);
    }
    c->addWidget(preview_, 0, 0, row, 1);
    c->addWidget(horizontal_, row++, 0);
    c->addWidget(vertical_, row++, 0);
    for (QCheckBox* box : {horizontal_, vertical_})
        connect(box, &QCheckBox::toggled, this, [this] {
            format_.bgH = horizontal_->isChecked() ? 1 : 0;
            format_.bgV = vertical_->isChecked() ? 1 : 0;
            PaintPreview();
        });

    auto* image = new QGroupBox(tr("Image"), page);
    auto* i = new QGridLayout(image);
    useImage_ = new QCheckBox(tr("Use image"), image);
    useImage_->setChecked(format_.bgI != 0 && !format_.bgImg.empty());
    imagePath_ = new QLineEdit(QString::fromStdString(format_.bgImg), image);
    imagePath_->setReadOnly(true);
    auto* browse = new QPushButton(tr("Browse..."), image);
    connect(browse, &QPushButton::clicked, this, [this] {
        // One file, in the folder of the picture there is.
        const QFileInfo current(QString::fromStdString(format_.bgImg));
        const QString folder = format_.bgImg.empty() ? QString() : current.absolutePath();
        const QString chosen = files_.ChooseOpenFile(this, tr("Browse"), folder, current.fileName(), ImagesFilter());
        if (!chosen.isEmpty())
            ChooseBackgroundPicture(chosen);
    });
    const char* places[] = {"Center", "Scale to fit", "Tile"};
    for (size_t p = 0; p < placement_.size(); ++p) {
        placement_[p] = new QRadioButton(tr(places[p]), image);
        placement_[p]->setChecked(format_.bgImgPlc == static_cast<int32_t>(p));
        i->addWidget(placement_[p], 2, static_cast<int>(p));
    }
    opacity_ = new QSlider(Qt::Horizontal, image);
    opacity_->setRange(CThumbnailSettings::kOpacityRange.min, CThumbnailSettings::kOpacityRange.max);
    opacity_->setTickInterval(8);
    opacity_->setTickPosition(QSlider::TicksBelow);
    opacity_->setValue(format_.bgImgOpacity);
    opacityText_ = new QLabel(OpacityText(), image);
    connect(opacity_, &QSlider::valueChanged, this, [this] { opacityText_->setText(OpacityText()); });
    i->addWidget(useImage_, 0, 0);
    i->addWidget(imagePath_, 1, 0, 1, 2);
    i->addWidget(browse, 1, 2);
    i->addWidget(new QLabel(tr("Opacity:"), image), 3, 0);
    i->addWidget(opacity_, 3, 1);
    i->addWidget(opacityText_, 3, 2);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(colors);
    layout->addWidget(image);
    PaintPreview();
    return page;
}

QString CFormatDlg::OpacityText() const
{
    return QStringLiteral("%1%").arg(std::lround(opacity_->value() * 100.0 / 256.0));
}

void CFormatDlg::PaintPreview()
{
    // In the screen's own pixels, as the image view shows a page at 1:1.
    CImageBuffer buffer;
    const double ratio = preview_ ? preview_->devicePixelRatioF() : 1.0;
    if (!preview_ || !buffer.Create(static_cast<uint32_t>(std::lround(preview_->width() * ratio)),
                                    static_cast<uint32_t>(std::lround(preview_->height() * ratio))))
        return;
    FillBackground(SurfaceOf(buffer), format_);
    QPixmap shown = QPixmap::fromImage(ToQImage(buffer));
    shown.setDevicePixelRatio(ratio);
    preview_->setPixmap(shown);
}

void CFormatDlg::ChooseBackgroundPicture(const QString& path)
{
    // The whole extension must be a picture format's.
    if (SheetOutputFor(path.toStdString()) != SheetOutput::Pictures) {
        prompter_.Show(MsgId::MustBeImageFile);
        return;
    }
    format_.bgImg = path.toStdString();
    imagePath_->setText(path);
}

QWidget* CFormatDlg::MakeTextPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    struct Text {
        const char* group;
        const std::string* text;
    };
    const Text texts[] = {{"Thumbnail subscripts", &format_.label}, {"Title", &format_.title}, {"Footer", &format_.footer}};
    LogFont* fonts[] = {&format_.tsFont, &format_.titleFont, &format_.footerFont};
    uint32_t* colors[] = {&format_.tsCol, &format_.titleCol, &format_.footerCol};
    for (int t = 0; t < 3; ++t) {
        auto* group = new QGroupBox(tr(texts[t].group), page);
        auto* g = new QGridLayout(group);
        auto* edit = new QPlainTextEdit(Shown(*texts[t].text), group);
        edit->setFont(ToQFont(*fonts[t], logicalDpiY()));
        QPalette p = edit->palette();
        p.setColor(QPalette::Text, ToColor(*colors[t]));
        edit->setPalette(p);
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this, [this, t](const QPoint& at) { ShowFieldMenu(t, at); });
        auto* font = new QPushButton(tr("Font..."), group);
        connect(font, &QPushButton::clicked, this, [this, t, fonts, colors] {
            bool ok = false;
            const QFont chosen = QFontDialog::getFont(&ok, ToQFont(*fonts[t], logicalDpiY()), this);
            if (!ok)
                return;
            const QColor color = QColorDialog::getColor(ToColor(*colors[t]), this);
            SetTextFont(t, chosen, color.isValid() ? color : ToColor(*colors[t]));
        });
        texts_[static_cast<size_t>(t)] = edit;
        g->addWidget(edit, 0, 0);
        g->addWidget(font, 0, 1, Qt::AlignTop);
        layout->addWidget(group);
    }
    return page;
}

void CFormatDlg::SetTextFont(int text, const QFont& font, const QColor& color)
{
    LogFont* fonts[] = {&format_.tsFont, &format_.titleFont, &format_.footerFont};
    uint32_t* colors[] = {&format_.tsCol, &format_.titleCol, &format_.footerCol};
    const int dpi = logicalDpiY();
    LogFont described = FromQFont(font, std::max(1, static_cast<int>(std::lround(font.pointSizeF() * dpi / 72.0))), dpi);
    // The height is the chosen size in tenths of a point.
    described.height = static_cast<int32_t>(std::lround(font.pointSizeF() * 10.0));
    *fonts[text] = described;
    *colors[text] = FromColor(color);
    QPlainTextEdit* edit = texts_[static_cast<size_t>(text)];
    edit->setFont(ToQFont(described, dpi));
    QPalette p = edit->palette();
    p.setColor(QPalette::Text, color);
    edit->setPalette(p);
}

void CFormatDlg::InsertField(int text, const QString& field) { texts_[static_cast<size_t>(text)]->insertPlainText(field); }

void CFormatDlg::ShowFieldMenu(int text, const QPoint& at)
{
    QMenu menu(tr("Insert a field"), this);
    auto add = [&](const Field& f) {
        menu.addAction(tr(f.entry), this, [this, text, f] { InsertField(text, QString::fromLatin1(f.name)); });
    };
    if (text == 0)
        for (const Field& f : kItemFields)
            add(f);
    else
        for (const Field& f : kPageFields)
            add(f);
    menu.exec(texts_[static_cast<size_t>(text)]->mapToGlobal(at));
}

}  // namespace pix
