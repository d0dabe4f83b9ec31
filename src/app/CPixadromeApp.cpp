#include "app/CPixadromeApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "app/CAssociationsDlg.h"
#include "scanui/CScanDialog.h"
#include "scanui/CScanDeviceDlg.h"
#include "app/CChildFrame.h"
#include "app/CJpegDialog.h"
#include "app/CMainFrame.h"
#include "app/DocTemplates.h"
#include "dbui/DatabaseCommands.h"
#include "imageui/CPixadromeView.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "slideui/CSlideView.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"
#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "image/JpegCodec.h"
#include "platform/DesktopServices.h"

namespace pix {

namespace {

CPixadromeApp* g_app = nullptr;

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption maximized{QStringLiteral("m"), CPixadromeApp::tr("Start with the main window maximised.")};
    QCommandLineOption slideShow{QStringLiteral("s"),
                                 CPixadromeApp::tr("Show the contact sheet that opens as a slide show.")};
    QCommandLineOption fullScreen{QStringLiteral("f"), CPixadromeApp::tr("Start in full-screen mode.")};

    CommandLine()
    {
        // "-m" is the switch m, never the letters of a word ("-ms").
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            CPixadromeApp::tr("An image viewer with contact sheets and an image database. A running Pixadrome "
                              "on the same display opens the paths instead."));
        parser.addOptions({maximized, slideShow, fullScreen});
        parser.addPositionalArgument(QStringLiteral("paths"),
                                     CPixadromeApp::tr("Images, contact sheets (.pxc) or folders to open."),
                                     QStringLiteral("[PATH...]"));
    }
};

}  // namespace

StartOptions ParseCommandLine(const QStringList& args)
{
    // "/m" is "-m"; after "--" everything is a path.
    QStringList dashed{QStringLiteral("pixadrome")};
    bool pathsOnly = false;
    for (const QString& arg : args) {
        pathsOnly = pathsOnly || arg == QLatin1String("--");
        const bool slashed = !pathsOnly && arg.size() == 2 && arg[0] == QLatin1Char('/');
        dashed << (slashed ? QLatin1Char('-') + arg.mid(1) : arg);
    }
    CommandLine line;
    line.parser.parse(dashed);  // unknown switches are ignored
    StartOptions options;
    options.help = line.parser.isSet(line.help) || line.parser.isSet(QStringLiteral("help-all"));
    options.version = line.parser.isSet(line.version);
    options.maximized = line.parser.isSet(line.maximized);
    options.slideShow = line.parser.isSet(line.slideShow);
    options.fullScreen = line.parser.isSet(line.fullScreen);
    options.paths = line.parser.positionalArguments();
    return options;
}

QString CommandLineHelp() { return CommandLine().parser.helpText(); }

QStringList HandOverArguments(const StartOptions& options)
{
    QStringList args;
    if (options.maximized)
        args << QStringLiteral("-m");
    if (options.slideShow)
        args << QStringLiteral("-s");
    if (options.fullScreen)
        args << QStringLiteral("-f");
    args << QStringLiteral("--");
    for (const QString& path : options.paths)
        args << QFileInfo(path).absoluteFilePath();
    return args;
}

CPixadromeApp::CPixadromeApp(SettingsStore& settings, Prompter& prompter, FileChooser& files)
    : settings_(settings),
      prompter_(prompter),
      files_(files),
      database_(settings, prompter, DefaultDatabasePath().toStdString())
{
    g_app = this;
    SetLoadOptions({.upright = settings_.Get(settings::kAutoRotate) != 0,
                    .colourManaged = settings_.Get(settings::kColourManaged) != 0});
    recent_.Load(settings_);
    jpegSaver_ = [this](const CImageBuffer& image, const QString& path) {
        CJpegDialog dialog(&image, path, kDefaultJpegQuality, prompter_, MainWindow(),
                           FormatForPath(QDir::toNativeSeparators(path).toStdString()));
        return dialog.exec() == QDialog::Accepted && dialog.Written();
    };
    imageTemplate_ = std::make_unique<CImageTemplate>(*this);
    sheetTemplate_ = std::make_unique<CSheetTemplate>(*this);
    slideTemplate_ = std::make_unique<CSlideTemplate>(*this);
}

CPixadromeApp::~CPixadromeApp()
{
    recent_.Save(settings_);
    mainFrame_.reset();
    if (g_app == this)
        g_app = nullptr;
}

CPixadromeApp* CPixadromeApp::Instance() { return g_app; }

QWidget* CPixadromeApp::MainWindow() { return mainFrame_.get(); }

std::optional<std::string> CPixadromeApp::ViewedFile()
{
    if (!mainFrame_)
        return std::nullopt;
    return mainFrame_->ViewedFile();
}

void CPixadromeApp::StartSlideShow(QObject* sheetDocument)
{
    if (auto* doc = qobject_cast<CSheetDocument*>(sheetDocument))
        slideTemplate_->Show(*doc);
}

bool CPixadromeApp::Start(const StartOptions& options)
{
    // Pixadrome opens image files from the first start on (once: an
    // extension given back stays given back).
    FileAssociations(settings_).ClaimAtStartup();
    mainFrame_ = std::make_unique<CMainFrame>(*this);
    // The window is laid out before documents open, so they can fit.
    if (options.maximized)
        mainFrame_->showMaximized();
    else
        mainFrame_->show();
    QApplication::processEvents();
    return OpenRequested(options);
}

bool CPixadromeApp::OpenRequested(const StartOptions& options)
{
    bool ok = true;
    // With no file named, nothing opens (no empty document).
    for (const QString& path : options.paths)
        ok = OpenPath(path) != nullptr && ok;
    // "-s" shows the sheet opened as a slide show (an image stays as it is).
    if (options.slideShow && !options.paths.isEmpty())
        if (CThumbnailView* sheet = mainFrame_->ActiveSheetView())
            StartSlideShow(&sheet->Document());
    if (options.fullScreen && !mainFrame_->IsFullScreen())
        mainFrame_->ToggleFullScreen();
    return ok;
}

CChildFrame* CPixadromeApp::OpenPath(const QString& path)
{
    QFileInfo info(path);
    if (info.isDir()) {
        // A folder becomes a contact sheet of its files, titled after the
        // path with ":" and the separators replaced by "-".
        QStringList files;
        const auto entries = QDir(path).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QFileInfo& entry : entries)
            files << entry.filePath();
        QString title = QDir::toNativeSeparators(path);
        title.replace(QLatin1Char(':'), QLatin1Char('-')).replace(QDir::separator(), QLatin1Char('-'));
        return NewSheetFromFiles(files, title);
    }
    // A sheet that does not read has been reported as damaged already.
    if (path.endsWith(QLatin1String(".pxc"), Qt::CaseInsensitive) && info.isFile())
        return sheetTemplate_->OpenDocumentFile(path);
    if (CChildFrame* frame = imageTemplate_->OpenDocumentFile(path))
        return frame;

    // Not ours to read: the desktop's program for it, unless that is us.
    if (AssociatedWithThisProgram(path)) {
        prompter_.Show(MsgId::DoesNotUnderstand, {QDir::toNativeSeparators(path).toStdString()});
        return nullptr;
    }
    QString error;
    if (!OpenWithAssociatedProgram(path, error))
        prompter_.Show(MsgId::ShellOpenFailed, {error.toStdString()});
    return nullptr;
}

CChildFrame* CPixadromeApp::OpenPathFrom(const QString& path, const QStringList& order)
{
    CChildFrame* frame = OpenPath(path);
    if (auto* view = frame ? qobject_cast<CPixadromeView*>(frame->widget()) : nullptr) {
        view->Steps().SetOrder(order);
        view->Steps().Prefetch();
    }
    return frame;
}

CChildFrame* CPixadromeApp::OpenImageWindow(const QString& path) { return imageTemplate_->OpenDocumentFile(path); }

CChildFrame* CPixadromeApp::OpenWrittenImage(const QString& path) { return imageTemplate_->OpenNewWindow(path); }

QString CPixadromeApp::NextUntitledName() { return QStringLiteral("Image%1").arg(++untitledCount_); }

void CPixadromeApp::AddToRecentFiles(const QString& path)
{
    recent_.Add(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdString());
    if (mainFrame_)
        mainFrame_->UpdateRecentFiles();
}

bool CPixadromeApp::MailIsAvailable()
{
    if (!mailAvailable_)
        mailAvailable_ = MailAvailable();
    return *mailAvailable_;
}

CChildFrame* CPixadromeApp::NewSheetFromFiles(const QStringList& files, const QString& title)
{
    return sheetTemplate_->NewSheet(files, title);
}

void CPixadromeApp::OnFileOpen()
{
    const QStringList chosen = ChooseSourceFiles(*this, tr("Open one or more files"), FilterOnCancel::Store);
    if (chosen.isEmpty())
        return;
    RememberSourceFolder(*this, chosen);
    if (chosen.size() == 1)
        OpenPath(chosen.first());
    else
        NewSheetFromFiles(chosen, QString());
}

namespace {

// Hides the database pane for a command, so that it lets the database go,
// and shows it again afterwards.
class PaneAside {
public:
    explicit PaneAside(CMainFrame* frame) : frame_(frame), shown_(frame && frame->DatabasePane())
    {
        if (shown_)
            frame_->ShowDatabasePane(false);
    }
    ~PaneAside()
    {
        if (shown_)
            frame_->ShowDatabasePane(true);
    }

private:
    CMainFrame* frame_;
    bool shown_;
};

}  // namespace

void CPixadromeApp::OnDatabaseChange()
{
    const bool paneShown = mainFrame_ && mainFrame_->DatabasePane();
    if (!ChangeDatabaseFile(*this))
        return;
    if (paneShown)
        PaneAside aside(mainFrame_.get());  // the old database is saved, the new one shown
    else
        prompter_.Show(MsgId::NowUsingDatabase, {database_.ConfiguredPath()});
}

void CPixadromeApp::OnDatabaseLocate()
{
    const QStringList files = ChooseFilesToLocate(*this);
    if (files.isEmpty())
        return;
    PaneAside aside(mainFrame_.get());
    CProgressDlg progress(MainWindow());
    LocateMovedFiles(*this, files, progress);
}

void CPixadromeApp::OnDatabaseClean()
{
    PaneAside aside(mainFrame_.get());
    CProgressDlg progress(MainWindow());
    CleanMissingFiles(*this, progress);
}

void CPixadromeApp::OnPaste() { imageTemplate_->NewDocument(); }

void CPixadromeApp::OpenScannedPage(std::vector<uint8_t> dib)
{
    imageTemplate_->NewImage(std::move(dib));
}

void CPixadromeApp::OnSelectSource()
{
    CScanDeviceDlg dialog(*this, MainWindow());
    dialog.exec();
}

void CPixadromeApp::OnAcquire()
{
    // One scan window, a child of the main window: closing the program
    // closes the connection with it. A window still open on the chosen
    // device is brought forward; otherwise (closed, failed, or another
    // device chosen since) the device is opened anew.
    const std::string device = settings_.Get(settings::kScanDevice, "");
    const bool reuse = scanDialog_ && scanDialog_->isVisible() &&
                       (scanDialog_->Scanning() || (!scanDialog_->Failed() && scanDialog_->Device() == device));
    if (!reuse) {
        delete scanDialog_;
        scanDialog_ = new CScanDialog(*this, MainWindow());
    }
    scanDialog_->show();
    scanDialog_->raise();
}

void CPixadromeApp::CloseScanner() { delete scanDialog_; }

void CPixadromeApp::OnExit()
{
    if (!mainFrame_)
        return;
    mainFrame_->showMinimized();
    if (!mainFrame_->close())
        mainFrame_->showNormal();
}

void CPixadromeApp::OnWebPage()
{
    // The documentation installed with the program.
    const QString page = DocumentationPage();
    if (page.isEmpty() || !OpenWebPage(QUrl::fromLocalFile(page)))
        prompter_.Show(MsgId::NoWebBrowser);
}

void CPixadromeApp::OnAbout()
{
    QMessageBox::about(MainWindow(), tr("About Pixadrome"),
                       tr("<b>Pixadrome</b> %1<br>An image viewer with contact sheets and an image database.")
                           .arg(QApplication::applicationVersion()));
}

void CPixadromeApp::OnFileAssociations()
{
    FileAssociations associations(settings_);
    CAssociationsDlg dialog(associations, prompter_, MainWindow());
    dialog.exec();
}

void CPixadromeApp::OnActivationRequest(const QStringList& arguments)
{
    if (!mainFrame_)
        return;
    const StartOptions options = ParseCommandLine(arguments);
    if (options.maximized)
        mainFrame_->showMaximized();
    else if (mainFrame_->isMinimized())
        mainFrame_->showNormal();
    mainFrame_->raise();
    mainFrame_->activateWindow();
    OpenRequested(options);
}

}  // namespace pix
