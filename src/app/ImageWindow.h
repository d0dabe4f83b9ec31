#pragma once
// A window showing one picture at full size, scrollable.

#include <QScrollArea>
#include <memory>

#include "image/CImageBuffer.h"

namespace pix {

class ImageWindow : public QScrollArea {
    Q_OBJECT
public:
    ImageWindow(CImageBuffer picture, const QString& title, QWidget* parent = nullptr);
    const CImageBuffer& Picture() const { return picture_; }

private:
    CImageBuffer picture_;
};

}  // namespace pix
