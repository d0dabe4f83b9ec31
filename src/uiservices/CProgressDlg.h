#pragma once
// The modeless window of every long operation: a line of text, a bar,
// Cancel and Background. The operation runs on the user-interface thread
// and calls Step/Pump, which keep the windows alive and answer whether to
// go on. While it runs, input other than to this window waits, and the
// main window cannot be closed.

#include <QDialog>
#include <QElapsedTimer>
#include <string>
#include <QPointer>

#include "common/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pix {

class CProgressDlg : public QDialog, public Progress {
    Q_OBJECT
public:
    // mainWindow is the window whose title shows the percentage while it
    // is minimised.
    explicit CProgressDlg(QWidget* mainWindow);
    ~CProgressDlg() override;

    void SetRange(int lower, int upper) override;
    bool Step(std::string_view text, int position) override;
    bool Pump() override;

    bool Cancelled() const { return cancelled_; }
    // True while any progress window exists (closing is refused then).
    static bool OperationRunning() { return active_ > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Cancel();
    void ShowPercentInTitle();

    QPointer<QWidget> main_;
    QString savedTitle_;
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QPushButton* background_;
    bool cancelled_ = false;
    // Operations step thousands of times a second: the text and bar show
    // a step at most every kShowMs (the latest, held back until then),
    // events are served every kPumpMs.
    void ShowPendingStep();
    std::string pendingText_;
    int pendingPosition_ = 0;
    bool pending_ = false;
    QElapsedTimer sinceShown_;
    QElapsedTimer sincePumped_;
    static int active_;
};

}  // namespace pix
