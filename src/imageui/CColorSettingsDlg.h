#pragma once
// "Color Settings": six sliders (brightness, contrast, red, green and blue
// gain, gamma), each with a reset button. The document's picture follows
// every movement; OK keeps it, Cancel restores the picture as it was.

#include <QDialog>
#include <array>

#include "processing/ColorCorrection.h"

class QSlider;

namespace pix {

class CPixadromeDoc;

class CColorSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CColorSettingsDlg(CPixadromeDoc& doc, QWidget* parent = nullptr);

    // Slider i in the order brightness, contrast, red, green, blue, gamma.
    QSlider* Slider(int i) const { return sliders_[static_cast<size_t>(i)]; }
    void Reset(int i);
    ColorSliders Positions() const;

    void accept() override;
    void reject() override;

private:
    void Update();

    CPixadromeDoc& doc_;
    SavedPlanes saved_;
    std::array<QSlider*, 6> sliders_{};
};

}  // namespace pix
