#include "app/AppMain.h"

#include <QApplication>
#include <QScreen>

#include "app/MainFrame.h"
#include "render/RenderFormats.h"

namespace pix {

int RunPixadromeApp(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixadrome"));
    RegisterRenderFormats();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        SetScreenDpi(static_cast<int>(screen->logicalDotsPerInchX() + 0.5));
    MainFrame frame;
    frame.show();
    const QStringList args = QApplication::arguments().mid(1);
    for (const QString& arg : args) {
        const bool isSwitch = arg.size() == 2 && (arg[0] == QLatin1Char('-') || arg[0] == QLatin1Char('/'));
        if (!isSwitch)
            frame.OpenPath(arg);
    }
    return QApplication::exec();
}

}  // namespace pix
