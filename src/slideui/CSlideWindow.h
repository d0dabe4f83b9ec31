#pragma once
// What a slide show's child window holds: the slide view and, docked at
// the top, its controls bar, titled after the sheet with " controls": the
// commands' buttons and, sixth, the delay in tens of milliseconds
// (1..6000). The view keeps the keyboard focus.

#include <QMainWindow>

class QSpinBox;
class QToolBar;

namespace pix {

class CSheetDocument;
class CSlideView;

class CSlideWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CSlideWindow(CSheetDocument& doc, QWidget* parent = nullptr);

    CSlideView* View() const { return view_; }
    QToolBar* Controls() const { return controls_; }
    QSpinBox* DelaySpin() const { return spin_; }

private:
    CSlideView* view_;
    QToolBar* controls_;
    QSpinBox* spin_;
};

}  // namespace pix
