#pragma once
// "Color reduction": the number of colours (spin arrows jump by powers of
// two), dithering or nearest colour, the colour/quality preference and
// "preserve colors", which disables the preference.

#include <QDialog>
#include <QSpinBox>

#include "processing/ColorReduction.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace pix {

class Prompter;

// A spin box whose arrows go to the next power of two up or down.
class PowerOfTwoSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override;
    static int StepUp(int value);
    static int StepDown(int value);

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

class CColorReductionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CColorReductionDlg(Prompter& prompter, QWidget* parent = nullptr);

    // The chosen values (write-back is left to the caller).
    ReduceOptions Options() const;
    PowerOfTwoSpinBox* Colors() const { return colors_; }
    QCheckBox* Preserve() const { return preserve_; }
    QRadioButton* Nearest() const { return nearest_; }
    bool PreferenceEnabled() const;

    void accept() override;

private:
    Prompter& prompter_;
    PowerOfTwoSpinBox* colors_;
    QRadioButton* dither_;
    QRadioButton* nearest_;
    QSlider* preference_;
    QLabel* colorLabel_;
    QLabel* qualityLabel_;
    QCheckBox* preserve_;
};

}  // namespace pix
