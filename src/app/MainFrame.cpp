#include "app/MainFrame.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>

#include "app/ImageWindow.h"
#include "image/FormatTable.h"

namespace pix {

namespace {

// "desc|patterns|..." into Qt's "desc (patterns);;..." form.
QString QtFilter(std::string_view filter)
{
    QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        out << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

}  // namespace

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Pixadrome"));
    setCentralWidget(mdi_);
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open..."), this, &MainFrame::OnOpen);
    open->setShortcut(QKeySequence::Open);
    file->addSeparator();
    QAction* quit = file->addAction(tr("E&xit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu* window = menuBar()->addMenu(tr("&Window"));
    window->addAction(tr("&Cascade"), mdi_, &QMdiArea::cascadeSubWindows);
    window->addAction(tr("&Tile"), mdi_, &QMdiArea::tileSubWindows);
    statusBar()->showMessage(tr("Ready"));
    resize(1024, 720);
}

bool MainFrame::OpenImage(const QString& path)
{
    CImageBuffer picture;
    picture.Load(QDir::toNativeSeparators(path).toStdString());
    if (picture.IsEmpty())
        return false;
    auto* window = new ImageWindow(std::move(picture), QFileInfo(path).fileName());
    QMdiSubWindow* sub = mdi_->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(std::min(640, static_cast<int>(window->Picture().Width()) + 40),
                std::min(480, static_cast<int>(window->Picture().Height()) + 60));
    sub->show();
    return true;
}

bool MainFrame::OpenPath(const QString& path)
{
    QFileInfo info(path);
    if (!info.isDir())
        return OpenImage(path);
    bool any = false;
    const auto entries = QDir(path).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& entry : entries)
        if (FormatForPath(entry.fileName().toStdString()))
            any = OpenImage(entry.filePath()) || any;
    mdi_->tileSubWindows();
    return any;
}

void MainFrame::OnOpen()
{
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Open"), QString(), QtFilter(kOpenFilter));
    for (const QString& f : files)
        if (!OpenImage(f))
            statusBar()->showMessage(tr("Pixadrome doesn't understand ") + f, 5000);
}

}  // namespace pix
