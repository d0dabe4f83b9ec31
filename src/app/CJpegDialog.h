#pragma once
// "JPEG Compression" (and the same for the other formats with a quality):
// the user chooses the quality while seeing the picture as it decodes from
// the compressed file and the file's size. The file shown is written to a
// temporary file; OK copies exactly that file to the target, Cancel leaves
// nothing behind.

#include <QDialog>
#include <QTemporaryFile>
#include <memory>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"

class QLabel;
class QSlider;

namespace pix {

class Prompter;

class CJpegDialog : public QDialog {
    Q_OBJECT
public:
    // source may be null (the dialog then only chooses a quality). format
    // is the target's, a row with a quality writer (JPEG when null).
    CJpegDialog(const CImageBuffer* source, const QString& target, int quality, Prompter& prompter,
                QWidget* parent = nullptr, const FormatRow* format = nullptr);
    ~CJpegDialog() override;

    int Quality() const { return quality_; }
    void SetSliderPosition(int position);
    QString QualityText() const;
    QString SizeText() const;
    QString TemporaryPath() const;
    QPoint PanOffset() const { return pan_; }
    const CImageBuffer& Preview() const { return preview_; }
    // Compresses at the slider's quality when it changed (the paint step).
    void Refresh();

    // True once OK has written the target.
    bool Written() const { return written_; }

    void accept() override;
    void reject() override;

private:
    class PreviewFrame;
    void Pan(QPoint delta);

    const CImageBuffer* source_;
    QualityWriter write_;
    QString target_;
    Prompter& prompter_;
    int quality_;
    int shownQuality_ = -1;
    bool written_ = false;
    CImageBuffer preview_;
    std::unique_ptr<QTemporaryFile> temp_;
    QPoint pan_;
    QSlider* slider_;
    QLabel* qualityLabel_;
    QLabel* sizeLabel_;
    PreviewFrame* frame_;
};

}  // namespace pix
