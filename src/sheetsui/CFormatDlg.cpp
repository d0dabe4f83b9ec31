#include "sheetsui/CFormatDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common/Prompter.h"

namespace pix {

namespace {

// The value of a number field, 0 when it holds none.
int32_t ValueOf(const QLineEdit* field) { return field->text().trimmed().toInt(); }

void SetValue(QLineEdit* field, int32_t value) { field->setText(QString::number(value)); }

void Check(QCheckBox* box, bool on)
{
    const QSignalBlocker quiet(box);
    box->setChecked(on);
}

// Texts keep "\r\n" line ends; the fields show "\n".
std::string Stored(const QString& text)
{
    return QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
}

}  // namespace

CFormatDlg::CFormatDlg(const CThumbnailSettings& format, const QString& title, Prompter& prompter, FileChooser& files,
                       QWidget* parent)
    : QDialog(parent), format_(format), prompter_(prompter), files_(files), tabs_(new QTabWidget(this))
{
    setWindowTitle(title);
    tabs_->addTab(MakeBackgroundPage(), tr("Background"));
    tabs_->addTab(MakeLayoutPage(), tr("Layout"));
    tabs_->addTab(MakeTextPage(), tr("Text"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFormatDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFormatDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

QWidget* CFormatDlg::MakeLayoutPage()
{
    auto* page = new QWidget;
    auto number = [page] { return new QLineEdit(page); };
    effect_ = new QComboBox(page);
    for (std::string_view name : CThumbnailSettings::kEffectNames)
        effect_->addItem(tr(std::string(name).c_str()), QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    const int effect = effect_->findData(QString::fromStdString(format_.fx));
    effect_->setCurrentIndex(std::max(effect, 0));
    fxArea_ = new QSpinBox(page);
    fxArea_->setRange(CThumbnailSettings::kFxAreaRange.min, CThumbnailSettings::kFxAreaRange.max);
    tmbMargT_ = number();
    tmbMargL_ = number();
    pagMargT_ = number();
    pagMargL_ = number();
    tmbSiz_ = number();
    maxPerPage_ = number();
    rows_ = number();
    cols_ = number();
    allOnOnePage_ = new QCheckBox(tr("All on one page"), page);
    autoRows_ = new QCheckBox(tr("Automatic"), page);
    autoCols_ = new QCheckBox(tr("Automatic"), page);

    auto* effects = new QGroupBox(tr("Effects"), page);
    auto* e = new QFormLayout(effects);
    e->addRow(tr("Effect:"), effect_);
    e->addRow(tr("Area:"), fxArea_);
    auto* thumbnailMargins = new QGroupBox(tr("Thumbnail margins"), page);
    auto* tm = new QFormLayout(thumbnailMargins);
    tm->addRow(tr("Top / bottom:"), tmbMargT_);
    tm->addRow(tr("Left / right:"), tmbMargL_);
    auto* pageMargins = new QGroupBox(tr("Page margins"), page);
    auto* pm = new QFormLayout(pageMargins);
    pm->addRow(tr("Top / bottom:"), pagMargT_);
    pm->addRow(tr("Left / right:"), pagMargL_);
    auto* margins = new QHBoxLayout;
    margins->addWidget(thumbnailMargins);
    margins->addWidget(pageMargins);
    auto* pageLayout = new QGroupBox(tr("Page layout"), page);
    auto* g = new QGridLayout(pageLayout);
    g->addWidget(new QLabel(tr("Thumbnail Size"), page), 0, 0);
    g->addWidget(tmbSiz_, 0, 1);
    g->addWidget(new QLabel(tr("Max. per page"), page), 1, 0);
    g->addWidget(maxPerPage_, 1, 1);
    g->addWidget(allOnOnePage_, 1, 2);
    g->addWidget(new QLabel(tr("Rows"), page), 2, 0);
    g->addWidget(rows_, 2, 1);
    g->addWidget(autoRows_, 2, 2);
    g->addWidget(new QLabel(tr("Columns"), page), 3, 0);
    g->addWidget(cols_, 3, 1);
    g->addWidget(autoCols_, 3, 2);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(effects);
    layout->addLayout(margins);
    layout->addWidget(pageLayout);

    FillLayoutFields();
    connect(allOnOnePage_, &QCheckBox::clicked, this, &CFormatDlg::OnAllOnOnePage);
    connect(autoRows_, &QCheckBox::clicked, this, [this](bool on) { OnAutomatic(true, on); });
    connect(autoCols_, &QCheckBox::clicked, this, [this](bool on) { OnAutomatic(false, on); });
    connect(maxPerPage_, &QLineEdit::editingFinished, this, &CFormatDlg::OnMaxPerPageLeft);
    connect(rows_, &QLineEdit::editingFinished, this, [this] { OnRowsOrColumnsLeft(true); });
    connect(cols_, &QLineEdit::editingFinished, this, [this] { OnRowsOrColumnsLeft(false); });
    return page;
}

void CFormatDlg::FillLayoutFields()
{
    fxArea_->setValue(format_.fxArea);
    SetValue(tmbMargT_, format_.tmbMargT);
    SetValue(tmbMargL_, format_.tmbMargL);
    SetValue(pagMargT_, format_.pagMargT);
    SetValue(pagMargL_, format_.pagMargL);
    SetValue(tmbSiz_, format_.tmbSiz);
    SetValue(maxPerPage_, format_.maxPerPage);
    SetValue(rows_, format_.rows);
    SetValue(cols_, format_.cols);
    Check(allOnOnePage_, format_.maxPerPage == 0 && !(format_.rows != 0 && format_.cols != 0));
    Check(autoRows_, format_.rows == 0);
    Check(autoCols_, format_.cols == 0);
}

void CFormatDlg::OnAllOnOnePage(bool checked)
{
    Check(allOnOnePage_, checked);
    if (!checked) {
        maxPerPage_->setFocus();
        return;
    }
    for (QLineEdit* field : {maxPerPage_, rows_, cols_})
        SetValue(field, 0);
    Check(autoRows_, true);
    Check(autoCols_, true);
}

void CFormatDlg::OnAutomatic(bool rows, bool checked)
{
    QLineEdit* field = rows ? rows_ : cols_;
    Check(rows ? autoRows_ : autoCols_, checked);
    if (checked)
        SetValue(field, 0);
    else
        field->setFocus();
}

void CFormatDlg::OnMaxPerPageLeft()
{
    const int32_t most = ValueOf(maxPerPage_);
    const int32_t rows = ValueOf(rows_);
    const int32_t cols = ValueOf(cols_);
    Check(allOnOnePage_, most == 0);
    if (rows >= 1 && cols >= 1 && static_cast<int64_t>(most) > static_cast<int64_t>(rows) * cols) {
        SetValue(rows_, 0);
        SetValue(cols_, 0);
        Check(autoRows_, true);
        Check(autoCols_, true);
    }
}

void CFormatDlg::OnRowsOrColumnsLeft(bool rowsLeft)
{
    const int32_t rows = ValueOf(rows_);
    const int32_t cols = ValueOf(cols_);
    Check(rowsLeft ? autoRows_ : autoCols_, (rowsLeft ? rows : cols) == 0);
    const int64_t cells = static_cast<int64_t>(rows) * cols;
    if (rows >= 1 && cols >= 1 && cells < ValueOf(maxPerPage_))
        SetValue(maxPerPage_, static_cast<int32_t>(cells));
    else
        Check(allOnOnePage_, false);
}

bool CFormatDlg::ReadField(QLineEdit* field, const IntRange& range, int32_t& value)
{
    bool ok = false;
    const qlonglong v = field->text().trimmed().toLongLong(&ok);
    if (!ok || !range.Contains(v)) {
        tabs_->setCurrentWidget(field->parentWidget() ? field->parentWidget()->parentWidget() : tabs_->currentWidget());
        prompter_.Show(MsgId::IntegerRange, {static_cast<long long>(range.min), static_cast<long long>(range.max)});
        field->setFocus();
        field->selectAll();
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

void CFormatDlg::accept()
{
    CThumbnailSettings f = format_;
    using S = CThumbnailSettings;
    fxArea_->interpretText();
    f.fxArea = fxArea_->value();
    const bool valid = ReadField(tmbMargT_, S::kMarginRange, f.tmbMargT) &&
                       ReadField(tmbMargL_, S::kMarginRange, f.tmbMargL) &&
                       ReadField(pagMargT_, S::kMarginRange, f.pagMargT) &&
                       ReadField(pagMargL_, S::kMarginRange, f.pagMargL) &&
                       ReadField(tmbSiz_, S::kThumbnailSizeRange, f.tmbSiz) &&
                       ReadField(maxPerPage_, S::kRowsColsRange, f.maxPerPage) &&
                       ReadField(rows_, S::kRowsColsRange, f.rows) && ReadField(cols_, S::kRowsColsRange, f.cols);
    if (!valid)
        return;
    f.fx = effect_->currentData().toString().toStdString();
    f.bgH = horizontal_->isChecked() ? 1 : 0;
    f.bgV = vertical_->isChecked() ? 1 : 0;
    f.bgI = useImage_->isChecked() ? 1 : 0;
    for (int32_t p = 0; p < 3; ++p)
        if (placement_[static_cast<size_t>(p)]->isChecked())
            f.bgImgPlc = p;
    f.bgImgOpacity = opacity_->value();
    f.label = Stored(texts_[0]->toPlainText());
    f.title = Stored(texts_[1]->toPlainText());
    f.footer = Stored(texts_[2]->toPlainText());
    format_ = f;
    QDialog::accept();
}

}  // namespace pix
