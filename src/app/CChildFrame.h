#pragma once
// The window around a document's view inside the main window.

#include <QMdiSubWindow>
#include <functional>

namespace pix {

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    // Asked before the window closes; false keeps it open.
    void SetCloseCheck(std::function<bool()> check) { closeCheck_ = std::move(check); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> closeCheck_;
};

}  // namespace pix
