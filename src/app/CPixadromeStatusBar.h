#pragma once
// The main window's status bar: the prompt (128 pixels: "Ready", or what a
// command says it does), a tab for every document window, and the active
// view's information (at least 64 pixels, as wide as its text). A status
// tip covers the prompt and the tabs while it shows.
//
// The tabs follow the windows of the area: one per window in the order
// they were made, with its icon and title, the active one selected.
// Clicking a tab activates its window; a right click opens the window's
// system menu at the pointer.

#include <QList>
#include <QPointer>
#include <QStatusBar>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTabBar;
class QTimer;

namespace pix {

class CPixadromeStatusBar : public QStatusBar {
    Q_OBJECT
public:
    CPixadromeStatusBar(QMdiArea* area, QWidget* parent);

    void SetInfo(const QString& text);
    QString Info() const;
    QTabBar* Tabs() const { return tabs_; }
    // Brings the tabs in line with the area's windows now (changes to the
    // windows do it from the event loop, when no window is half made or
    // half destroyed).
    void UpdateTabs();

private:
    void Follow(QMdiSubWindow* window);

    QPointer<QMdiArea> area_;
    QLabel* prompt_;
    QTabBar* tabs_;
    QLabel* info_;
    QTimer* update_;
    QList<QPointer<QMdiSubWindow>> windows_;  // the window of each tab
    QList<QMdiSubWindow*> followed_;
};

}  // namespace pix
