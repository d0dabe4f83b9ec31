#pragma once
// The application object: start-up, the document templates, the opening
// of any path, the application commands and the settings.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/CChildFrame.h"
#include "common/RecentFileList.h"
#include "database/DatabaseAccess.h"
#include "uiservices/AppServices.h"

namespace pix {

class CImageBuffer;
class CMainFrame;
class CDocTemplate;
class CSheetTemplate;
class CImageTemplate;
class CSlideTemplate;
class CScanDialog;

struct StartOptions {
    bool maximized = false;   // "m"
    bool slideShow = false;   // "s"
    bool fullScreen = false;  // "f"
    bool help = false;        // "--help": print the usage and end
    bool version = false;     // "--version": print the version and end
    QStringList paths;
};

// Splits a command line (without the program name) into switches and paths.
// Switches are given after "-" (also "/" for a single letter); unknown ones
// are ignored; everything after "--" is a path.
StartOptions ParseCommandLine(const QStringList& args);
// What "--help" prints.
QString CommandLineHelp();
// The command line a running program is handed: the switches, then the
// paths made absolute against this start's current folder.
QStringList HandOverArguments(const StartOptions& options);

class CPixadromeApp : public QObject, public AppServices {
    Q_OBJECT
public:
    CPixadromeApp(SettingsStore& settings, Prompter& prompter, FileChooser& files);
    ~CPixadromeApp() override;
    static CPixadromeApp* Instance();

    // Creates the main window and opens what the command line names; false
    // when a named path could not be opened.
    bool Start(const StartOptions& options);

    SettingsStore& Settings() override { return settings_; }
    Prompter& Prompt() override { return prompter_; }
    FileChooser& Files() override { return files_; }
    CMainFrame* MainFrame() { return mainFrame_.get(); }
    QWidget* MainWindow() override;


    // Opens a folder, a sheet or an image; hands other files to their
    // program. Returns the window that opened, or null.
    CChildFrame* OpenPath(const QString& path) override;
    CChildFrame* OpenPathFrom(const QString& path, const QStringList& order) override;
    // Opens path as an image in a new window (an open window on the same
    // path is activated instead).
    CChildFrame* OpenImageWindow(const QString& path) override;
    CChildFrame* OpenWrittenImage(const QString& path) override;
    std::optional<std::string> ViewedFile() override;
    QWidget* OpenSheetOfFiles(const QStringList& files) override { return NewSheetFromFiles(files, QString()); }
    void StartSlideShow(QObject* sheetDocument) override;

    void OpenScannedPage(std::vector<uint8_t> dib) override;

    QString NextUntitledName() override;
    void AddToRecentFiles(const QString& path) override;
    const RecentFileList& RecentFiles() const { return recent_; }
    // The image database the whole program shares (acquire, release, mark
    // modified).
    DatabaseAccess& Database() override { return database_; }
    bool MailIsAvailable() override;

    // Saves a picture under a JPEG name through the compression dialog;
    // false when the user cancels. Tests replace the dialog.
    using JpegSaver = std::function<bool(const CImageBuffer& image, const QString& path)>;
    bool SaveJpeg(const CImageBuffer& image, const QString& path) override { return jpegSaver_(image, path); }
    void SetJpegSaver(JpegSaver saver) { jpegSaver_ = std::move(saver); }

    // Commands.
    void OnFileOpen();
    void OnPaste();
    void OnExit();
    void OnWebPage();
    void OnAbout();
    void OnFileAssociations();
    void OnSelectSource();
    void OnAcquire();
    // Ends the scanner's connection and closes its window (the main
    // window is closing).
    void CloseScanner();
    void OnDatabaseChange();
    void OnDatabaseLocate();
    void OnDatabaseClean();
    void OnFindDupes();
    // The duplicate search whose groups open in the review window.
    void OnReviewDupes();
    void OnFindDupesOfNew();
    void OnFindSimilarToThis();
    void OnFindSimilarToThese();

    // The command line of another start of the program (as
    // HandOverArguments makes it): comes to the front and opens its paths.
    void OnActivationRequest(const QStringList& arguments);

    // A new contact sheet of files (titled title unless it is empty).
    CChildFrame* NewSheetFromFiles(const QStringList& files, const QString& title);

private:
    // Opens the paths and applies "s" and "f"; false when a path failed.
    bool OpenRequested(const StartOptions& options);

    SettingsStore& settings_;
    Prompter& prompter_;
    FileChooser& files_;
    std::unique_ptr<CMainFrame> mainFrame_;
    std::unique_ptr<CImageTemplate> imageTemplate_;
    std::unique_ptr<CSheetTemplate> sheetTemplate_;
    std::unique_ptr<CSlideTemplate> slideTemplate_;
    QPointer<CScanDialog> scanDialog_;
    RecentFileList recent_;
    DatabaseAccess database_;
    int untitledCount_ = 0;
    std::optional<bool> mailAvailable_;
    JpegSaver jpegSaver_;
};

}  // namespace pix
