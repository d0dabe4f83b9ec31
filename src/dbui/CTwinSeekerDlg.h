#pragma once
// "Twin Seeker": how similar found images must be (0–100 %, typed or on a
// slider) and, for a contact sheet, whether a candidate must match at
// least one of its pictures or all of them; for a duplicate search,
// whether turned or mirrored copies count too.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace pix {

class Prompter;

class CTwinSeekerDlg : public QDialog {
    Q_OBJECT
public:
    CTwinSeekerDlg(Prompter& prompter, int tolerance, bool forSheet, QWidget* parent, bool offerTurned = false);

    int Tolerance() const { return tolerance_; }
    // "All thumbnails" was chosen.
    bool AllMode() const;
    // "Also find turned or mirrored copies" was ticked.
    bool Turned() const;

    QLineEdit* Edit() const { return edit_; }
    QSlider* Slider() const { return slider_; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Prompter& prompter_;
    QLineEdit* edit_;
    QSlider* slider_;
    QRadioButton* all_ = nullptr;
    QCheckBox* turned_ = nullptr;
    int tolerance_;
};

}  // namespace pix
