#include "app/ImageWindow.h"

#include <QPainter>
#include <QWidget>

#include "render/ImageConversion.h"

namespace pix {

namespace {

class PictureCanvas : public QWidget {
public:
    explicit PictureCanvas(const CImageBuffer& picture, QWidget* parent) : QWidget(parent), picture_(picture)
    {
        setFixedSize(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect all(0, 0, static_cast<int>(picture_.Width()), static_cast<int>(picture_.Height()));
        DrawBuffer(picture_, painter, all, all, false);
    }

private:
    const CImageBuffer& picture_;
};

}  // namespace

ImageWindow::ImageWindow(CImageBuffer picture, const QString& title, QWidget* parent)
    : QScrollArea(parent), picture_(std::move(picture))
{
    setWindowTitle(title);
    setWidget(new PictureCanvas(picture_, this));
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
}

}  // namespace pix
