#include "imageui/CMosaicDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "uiservices/FileChooser.h"
#include "common/Prompter.h"
#include "image/FormatTable.h"

namespace pix {

CMosaicDlg::CMosaicDlg(int targetWidth, int targetHeight, Prompter& prompter, FileChooser& files, QWidget* parent)
    : QDialog(parent), targetWidth_(targetWidth), targetHeight_(targetHeight), prompter_(prompter), files_(files)
{
    setWindowTitle(tr("Photo mosaic"));
    auto spin = [this](int lo, int hi, int value) {
        auto* s = new QSpinBox(this);
        s->setRange(lo, hi);
        s->setValue(value);
        connect(s, &QSpinBox::editingFinished, this, &CMosaicDlg::UpdateInfo);
        connect(s, &QSpinBox::valueChanged, this, &CMosaicDlg::UpdateInfo);
        return s;
    };
    rows_ = spin(1, 1000, 32);
    columns_ = spin(1, 1000, 32);
    clips_ = spin(1, 100000, 10);
    tileSize_ = new QLabel(this);
    sources_ = new QLabel(this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Rows:"), this), 0, 0);
    grid->addWidget(rows_, 0, 1);
    grid->addWidget(new QLabel(tr("Columns:"), this), 0, 2);
    grid->addWidget(columns_, 0, 3);
    grid->addWidget(tileSize_, 1, 0, 1, 4);

    const QString titles[3] = {tr("Pictures that must be used-as-is"), tr("Pictures that can be chopped up"),
                               tr("Pictures that can be reused")};
    const QString dialogTitles[3] = {tr("Select pictures to use as tiles, as-they-are"),
                                     tr("Select pictures to use as tiles, that can be chopped"),
                                     tr("Select pictures to use as tiles, that can be used more than once")};
    auto* groups = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* box = new QGroupBox(titles[i], this);
        auto* list = new QListWidget(box);
        auto* add = new QPushButton(tr("Add Files"), box);
        auto* clear = new QPushButton(tr("Clear"), box);
        auto* count = new QLabel(box);
        lists_[static_cast<size_t>(i)] = list;
        counts_[static_cast<size_t>(i)] = count;
        const auto kind = static_cast<MosaicSourceKind>(i);
        const QString dialogTitle = dialogTitles[i];
        connect(add, &QPushButton::clicked, this, [this, kind, dialogTitle] {
            int filter = 1;
            AddFiles(kind, files_.ChooseOpen(this, dialogTitle, QDir::currentPath(), ImagesFilter(), filter));
        });
        connect(clear, &QPushButton::clicked, this, [this, kind] { Clear(kind); });
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(add);
        buttons->addWidget(clear);
        buttons->addWidget(count);
        auto* v = new QVBoxLayout(box);
        v->addWidget(list);
        v->addLayout(buttons);
        if (kind == MosaicSourceKind::Chopped) {
            auto* use = new QHBoxLayout;
            use->addWidget(new QLabel(tr("Use max."), box));
            use->addWidget(clips_);
            use->addWidget(new QLabel(tr("clips"), box));
            v->addLayout(use);
        }
        groups->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMosaicDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMosaicDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(groups);
    layout->addWidget(sources_);
    layout->addWidget(buttons);
    UpdateInfo();
}

void CMosaicDlg::SetGrid(int rows, int columns, int clips)
{
    rows_->setValue(rows);
    columns_->setValue(columns);
    clips_->setValue(clips);
    UpdateInfo();
}

MosaicSettings CMosaicDlg::Settings() const
{
    MosaicSettings s;
    s.rows = rows_->value();
    s.columns = columns_->value();
    s.clipsPerChopped = clips_->value();
    return s;
}

std::vector<MosaicSource> CMosaicDlg::Sources() const
{
    std::vector<MosaicSource> out;
    for (int i = 0; i < 3; ++i)
        for (int row = 0; row < lists_[static_cast<size_t>(i)]->count(); ++row)
            out.push_back({QDir::toNativeSeparators(lists_[static_cast<size_t>(i)]->item(row)->text()).toStdString(),
                           static_cast<MosaicSourceKind>(i)});
    return out;
}

void CMosaicDlg::AddFiles(MosaicSourceKind kind, const QStringList& files)
{
    lists_[static_cast<size_t>(kind)]->addItems(files);
    UpdateInfo();
}

void CMosaicDlg::Clear(MosaicSourceKind kind)
{
    lists_[static_cast<size_t>(kind)]->clear();
    UpdateInfo();
}

void CMosaicDlg::UpdateInfo()
{
    for (size_t i = 0; i < 3; ++i)
        counts_[i]->setText(tr("Selected: %1").arg(lists_[i]->count()));
    tileSize_->setText(tr("Tile height: %1  Tile width: %2")
                           .arg(targetHeight_ / rows_->value())
                           .arg(targetWidth_ / columns_->value()));
    const int asIs = lists_[0]->count(), chopped = lists_[1]->count(), reusable = lists_[2]->count();
    sources_->setText(tr("Real sources: %1  Virtual sources: %2")
                          .arg(asIs + chopped + reusable)
                          .arg(static_cast<long long>(clips_->value()) * chopped + asIs + reusable));
}

QString CMosaicDlg::InfoText() const { return tileSize_->text() + QLatin1Char('|') + sources_->text(); }

void CMosaicDlg::accept()
{
    if (auto problem = CheckMosaicSources(Settings(), lists_[0]->count(), lists_[1]->count(), lists_[2]->count())) {
        prompter_.Show(*problem);
        return;
    }
    QDialog::accept();
}

}  // namespace pix
