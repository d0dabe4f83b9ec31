#pragma once
// The main window: picture windows inside a multi-document area.

#include <QMainWindow>

class QMdiArea;

namespace pix {

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrame(QWidget* parent = nullptr);
    // Opens a picture, or every picture in a folder. False when nothing opened.
    bool OpenPath(const QString& path);

private:
    void OnOpen();
    bool OpenImage(const QString& path);
    QMdiArea* mdi_;
};

}  // namespace pix
