#include "dbui/CTwinSeekerDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Prompter.h"

namespace pix {

CTwinSeekerDlg::CTwinSeekerDlg(Prompter& prompter, int tolerance, bool forSheet, QWidget* parent, bool offerTurned)
    : QDialog(parent),
      prompter_(prompter),
      edit_(new QLineEdit(QString::number(tolerance), this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      tolerance_(tolerance)
{
    setWindowTitle(tr("Twin Seeker"));
    slider_->setRange(0, 100);
    slider_->setTickInterval(10);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setValue(std::clamp(tolerance, 0, 100));
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { edit_->setText(QString::number(value)); });
    edit_->installEventFilter(this);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Images must be"), this));
    row->addWidget(edit_);
    row->addWidget(new QLabel(tr("% similar"), this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(slider_);
    if (forSheet) {
        auto* group = new QGroupBox(tr("Images must match"), this);
        auto* choices = new QVBoxLayout(group);
        auto* one = new QRadioButton(tr("At least one"), group);
        all_ = new QRadioButton(tr("All thumbnails"), group);
        one->setChecked(true);
        choices->addWidget(one);
        choices->addWidget(all_);
        layout->addWidget(group);
    }
    if (offerTurned) {
        turned_ = new QCheckBox(tr("Also find &turned or mirrored copies"), this);
        layout->addWidget(turned_);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTwinSeekerDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CTwinSeekerDlg::AllMode() const { return all_ && all_->isChecked(); }

bool CTwinSeekerDlg::Turned() const { return turned_ && turned_->isChecked(); }

bool CTwinSeekerDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Leaving the box puts a number beyond the range at its end.
    if (watched == edit_ && event->type() == QEvent::FocusOut) {
        bool ok = false;
        const int value = edit_->text().toInt(&ok);
        if (ok && (value < 0 || value > 100))
            edit_->setText(QString::number(std::clamp(value, 0, 100)));
        if (ok)
            slider_->setValue(std::clamp(value, 0, 100));
    }
    return QDialog::eventFilter(watched, event);
}

void CTwinSeekerDlg::accept()
{
    bool ok = false;
    const int value = edit_->text().trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 100) {
        prompter_.Show(MsgId::IntegerRange, {0LL, 100LL});
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    tolerance_ = value;
    QDialog::accept();
}

}  // namespace pix
