#include "imageui/CColorReductionDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "common/Prompter.h"

namespace pix {

namespace {
constexpr int kMinColors = 2;
constexpr int kMaxColors = 256;
}  // namespace

int PowerOfTwoSpinBox::StepUp(int value)
{
    int p = 2;
    while (p <= value && p < kMaxColors)
        p *= 2;
    return std::min(p, kMaxColors);
}

int PowerOfTwoSpinBox::StepDown(int value)
{
    int p = kMaxColors;
    while (p >= value && p > kMinColors)
        p /= 2;
    return std::max(p, kMinColors);
}

void PowerOfTwoSpinBox::stepBy(int steps)
{
    int v = value();
    for (; steps > 0; --steps)
        v = StepUp(v);
    for (; steps < 0; ++steps)
        v = StepDown(v);
    setValue(v);
}

CColorReductionDlg::CColorReductionDlg(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter)
{
    setWindowTitle(tr("Color reduction"));
    colors_ = new PowerOfTwoSpinBox(this);
    colors_->setRange(0, 9999);  // out-of-range values are refused on OK
    colors_->setValue(kMaxColors);
    dither_ = new QRadioButton(tr("dither (best quality)"), this);
    nearest_ = new QRadioButton(tr("nearest color (smallest filesize)"), this);
    dither_->setChecked(true);
    preference_ = new QSlider(Qt::Horizontal, this);
    preference_->setRange(-16, 16);
    preference_->setTickInterval(1);
    preference_->setTickPosition(QSlider::TicksBelow);
    preference_->setValue(0);
    colorLabel_ = new QLabel(tr("color over quality"), this);
    qualityLabel_ = new QLabel(tr("quality over color"), this);
    preserve_ = new QCheckBox(tr("preserve colors"), this);
    connect(preserve_, &QCheckBox::toggled, this, [this](bool on) {
        preference_->setEnabled(!on);
        colorLabel_->setEnabled(!on);
        qualityLabel_->setEnabled(!on);
    });

    auto* count = new QHBoxLayout;
    count->addWidget(new QLabel(tr("Reduce to:"), this));
    count->addWidget(colors_);
    count->addWidget(new QLabel(tr("colors"), this));
    count->addStretch();
    auto* prefer = new QGridLayout;
    prefer->addWidget(new QLabel(tr("prefer:"), this), 0, 0);
    prefer->addWidget(preference_, 0, 1, 1, 2);
    prefer->addWidget(colorLabel_, 1, 1, Qt::AlignLeft);
    prefer->addWidget(qualityLabel_, 1, 2, Qt::AlignRight);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CColorReductionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CColorReductionDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(count);
    layout->addWidget(dither_);
    layout->addWidget(nearest_);
    layout->addLayout(prefer);
    layout->addWidget(preserve_);
    layout->addWidget(buttons);
}

bool CColorReductionDlg::PreferenceEnabled() const
{
    return preference_->isEnabled() && colorLabel_->isEnabled() && qualityLabel_->isEnabled();
}

ReduceOptions CColorReductionDlg::Options() const
{
    ReduceOptions o;
    o.colors = colors_->value();
    o.dither = dither_->isChecked();
    o.preference = preference_->value();
    o.preserve = preserve_->isChecked();
    return o;
}

void CColorReductionDlg::accept()
{
    if (colors_->value() < kMinColors || colors_->value() > kMaxColors) {
        prompter_.Show(MsgId::IntegerRange, {static_cast<long long>(kMinColors), static_cast<long long>(kMaxColors)});
        colors_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace pix
