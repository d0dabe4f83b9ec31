#include "imageui/CColorSettingsDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "imageui/CPixadromeDoc.h"

namespace pix {

CColorSettingsDlg::CColorSettingsDlg(CPixadromeDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), saved_(doc.Image())
{
    setWindowTitle(tr("Color Settings"));
    const QString names[6] = {tr("Brightness"), tr("Contrast"), tr("Red"), tr("Green"), tr("Blue"), tr("Gamma")};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        auto* slider = new QSlider(Qt::Vertical, this);
        slider->setRange(-256, 256);
        slider->setTickInterval(64);
        slider->setTickPosition(QSlider::TicksBothSides);
        slider->setInvertedAppearance(true);  // -256 at the top
        slider->setMinimumHeight(200);
        slider->setValue(0);
        connect(slider, &QSlider::valueChanged, this, &CColorSettingsDlg::Update);
        sliders_[static_cast<size_t>(i)] = slider;
        auto* reset = new QToolButton(this);
        reset->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
        reset->setToolTip(tr("Reset %1").arg(names[i]));
        connect(reset, &QToolButton::clicked, this, [this, i] { Reset(i); });
        grid->addWidget(new QLabel(names[i], this), 0, i, Qt::AlignHCenter);
        grid->addWidget(slider, 1, i, Qt::AlignHCenter);
        grid->addWidget(reset, 2, i, Qt::AlignHCenter);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CColorSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CColorSettingsDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

ColorSliders CColorSettingsDlg::Positions() const
{
    return {sliders_[0]->value(), sliders_[1]->value(), sliders_[2]->value(),
            sliders_[3]->value(), sliders_[4]->value(), sliders_[5]->value()};
}

void CColorSettingsDlg::Reset(int i)
{
    QSlider* s = sliders_[static_cast<size_t>(i)];
    if (s->value() == 0)
        Update();
    else
        s->setValue(0);  // updates through valueChanged
}

void CColorSettingsDlg::Update()
{
    saved_.Apply(BuildColorTables(Positions()), doc_.Image());
    doc_.UpdateAllViews();
}

void CColorSettingsDlg::accept()
{
    // The picture shows the correction already; it is made again as an
    // edit of the picture as it was, so that a step back returns to that.
    saved_.Restore(doc_.Image());
    const ColorTables tables = BuildColorTables(Positions());
    doc_.Apply([this, &tables](CImageBuffer& picture) {
        saved_.Apply(tables, picture);
        picture.DiscardIndexPlane();
        return true;
    });
    QDialog::accept();
}

void CColorSettingsDlg::reject()
{
    saved_.Restore(doc_.Image());
    doc_.UpdateAllViews();
    QDialog::reject();
}

}  // namespace pix
