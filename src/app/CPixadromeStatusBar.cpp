#include "app/CPixadromeStatusBar.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>
#include <QTimer>
#include <algorithm>

namespace pix {

CPixadromeStatusBar::CPixadromeStatusBar(QMdiArea* area, QWidget* parent)
    : QStatusBar(parent), area_(area), prompt_(new QLabel(tr("Ready"), this)), tabs_(new QTabBar(this)),
      info_(new QLabel(this)), update_(new QTimer(this))
{
    update_->setSingleShot(true);
    update_->setInterval(0);
    connect(update_, &QTimer::timeout, this, &CPixadromeStatusBar::UpdateTabs);
    prompt_->setFixedWidth(128);
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->setElideMode(Qt::ElideRight);
    tabs_->setUsesScrollButtons(true);
    tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
    // As tall without tabs as with them: the first window to open does not
    // shrink the area it is laid out in.
    tabs_->addTab(QStringLiteral("Ready"));
    tabs_->setMinimumHeight(tabs_->sizeHint().height());
    tabs_->removeTab(0);
    info_->setMinimumWidth(64);
    addWidget(prompt_);
    addWidget(tabs_, 1);
    addPermanentWidget(info_);

    connect(area_, &QMdiArea::subWindowActivated, update_, qOverload<>(&QTimer::start));
    connect(tabs_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index < windows_.size() && windows_[index])
            area_->setActiveSubWindow(windows_[index]);
    });
    connect(tabs_, &QTabBar::customContextMenuRequested, this, [this](const QPoint& at) {
        const int index = tabs_->tabAt(at);
        if (index >= 0 && index < windows_.size() && windows_[index] && windows_[index]->systemMenu())
            windows_[index]->systemMenu()->exec(tabs_->mapToGlobal(at));
    });
}

void CPixadromeStatusBar::SetInfo(const QString& text)
{
    info_->setText(text);
    // As wide as its text, and never narrower than 64 pixels.
    const int margins = info_->contentsMargins().left() + info_->contentsMargins().right() + 2 * info_->margin();
    info_->setMinimumWidth(std::max(64, info_->fontMetrics().horizontalAdvance(text) + margins));
}

QString CPixadromeStatusBar::Info() const { return info_->text(); }

void CPixadromeStatusBar::Follow(QMdiSubWindow* window)
{
    if (followed_.contains(window))
        return;
    followed_ << window;
    connect(window, &QWidget::windowTitleChanged, update_, qOverload<>(&QTimer::start));
    connect(window, &QWidget::windowIconChanged, update_, qOverload<>(&QTimer::start));
    connect(window, &QObject::destroyed, this, [this, window] {
        followed_.removeAll(window);
        update_->start();
    });
}

void CPixadromeStatusBar::UpdateTabs()
{
    if (!area_)
        return;
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow* window : area_->subWindowList(QMdiArea::CreationOrder)) {
        Follow(window);
        windows << window;
    }
    const QSignalBlocker quiet(tabs_);
    while (tabs_->count() > windows.size())
        tabs_->removeTab(tabs_->count() - 1);
    for (int i = 0; i < windows.size(); ++i) {
        if (i == tabs_->count())
            tabs_->addTab(QString());
        tabs_->setTabText(i, windows[i]->windowTitle());
        tabs_->setTabIcon(i, windows[i]->windowIcon());
        if (windows[i] == area_->activeSubWindow())
            tabs_->setCurrentIndex(i);
    }
    windows_ = windows;
}

}  // namespace pix
