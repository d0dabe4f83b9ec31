#pragma once
// "Set new size": width and height (1 to 8000), "Maintain aspect ratio",
// and a preview of the new size against the standard screen sizes, in
// which a press or drag sets the size directly.

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace pix {

class Prompter;

class CResizeDlg : public QDialog {
    Q_OBJECT
public:
    // A source size of 0 × 0 means there is no source picture: the fields
    // then start from startWidth × startHeight and the aspect flag is off.
    CResizeDlg(int sourceWidth, int sourceHeight, int startWidth, int startHeight, Prompter& prompter,
               QWidget* parent = nullptr);

    int NewWidth() const;
    int NewHeight() const;
    bool MaintainAspect() const;
    void SetMaintainAspect(bool on);
    // Typing into a field (with the aspect rule applied).
    void TypeWidth(int width);
    void TypeHeight(int height);
    // A press or drag at (px, py) in a preview of the given size.
    void PressInPreview(QPoint p, QSize frame);
    // The number of pixels the preview's full width and height stand for.
    int Scale() const { return scale_; }
    void RecomputeScale();

    void accept() override;

private:
    class Preview;
    void ApplyAspect();
    void SetFields(int width, int height);

    int sourceWidth_;
    int sourceHeight_;
    int scale_ = 0;
    Prompter& prompter_;
    QLineEdit* width_;
    QLineEdit* height_;
    QCheckBox* aspect_;
    Preview* preview_;
};

}  // namespace pix
