#include "app/AppMain.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "dbui/CFileSelect.h"
#include "uiservices/FileChooser.h"
#include "uiservices/QtPrompter.h"
#include "platform/QSettingsStore.h"
#include "platform/SingleInstance.h"
#include "render/FontConversion.h"
#include "render/FormatList.h"
#include "render/ScreenDpi.h"
#include "sheets/CThumbnailSettings.h"

namespace pix {

namespace {

// "--help" and "--version" answer on the terminal, without a display.
bool AnsweredOnTerminal(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const StartOptions options = ParseCommandLine(args);
    if (!options.help && !options.version)
        return false;
    // The usage line names the program as users type it, not the path it
    // was started by (a manual page is made from this text).
    std::string name = std::filesystem::path(argv[0]).filename().string();
    std::vector<char*> plainArgs(argv, argv + argc);
    plainArgs[0] = name.data();
    QCoreApplication core(argc, plainArgs.data());
    const QString text = options.help ? CommandLineHelp()
                                      : QCoreApplication::applicationName() + QLatin1Char(' ') +
                                            QCoreApplication::applicationVersion() + QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return true;
}

}  // namespace

int RunPixadromeApp(int argc, char** argv)
{
    QApplication::setApplicationName(QStringLiteral("Pixadrome"));
    QApplication::setApplicationVersion(QStringLiteral(PIX_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Pixadrome"));
    if (AnsweredOnTerminal(argc, argv))
        return 0;
    QApplication qapp(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("pixadrome"));
    // Drawn from the SVG at any size and scale factor (Qt's SVG icon
    // engine); the pictures serve where that engine is missing.
    QIcon icon(QStringLiteral(":/icons/pixadrome.svg"));
    icon.addFile(QStringLiteral(":/icons/256/pixadrome.png"));
    icon.addFile(QStringLiteral(":/icons/32/pixadrome.png"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pixadrome"), icon));

    const StartOptions options = ParseCommandLine(QApplication::arguments().mid(1));
    SingleInstance instance;
    if (instance.HandOver(HandOverArguments(options)))
        return 0;  // the running program takes over
    instance.Listen();

    RegisterFormats();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        SetScreenDpi(static_cast<int>(screen->logicalDotsPerInchX() + 0.5));
    // New thumbnail formats start with the system font.
    CThumbnailSettings::SetDefaultFont(SystemLogFont());

    QSettingsStore settings;
    QtPrompter prompter;
    DialogFileChooser files(prompter);
    CPixadromeApp app(settings, prompter, files);
    files.SetOpenDialog([&app](QWidget* parent, const QString& title, const QString& folder, std::string_view filter,
                               int& filterIndex) {
        return CFileSelect::Choose(app, parent, title, folder, filter, filterIndex);
    });
    QObject::connect(&instance, &SingleInstance::activationRequested, &app, &CPixadromeApp::OnActivationRequest);
    app.Start(options);
    prompter.SetParent(app.MainWindow());
    return QApplication::exec();
}

}  // namespace pix
