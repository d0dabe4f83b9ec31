#pragma once
// What a window (document, view, dialog) may ask of the application: the
// settings, the prompter, the file chooser, the shared image database, the
// main window as the parent of dialogs and progress windows, and the
// opening of paths. Windows hold an AppServices& and never include the
// application, the main frame or each other.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QObject;
class QWidget;

namespace pix {

class CImageBuffer;
class DatabaseAccess;
class FileChooser;
class Prompter;
class SettingsStore;

class AppServices {
public:
    virtual ~AppServices() = default;

    virtual SettingsStore& Settings() = 0;
    virtual Prompter& Prompt() = 0;
    virtual FileChooser& Files() = 0;
    // The image database the whole program shares.
    virtual DatabaseAccess& Database() = 0;
    // The parent of dialogs and progress windows.
    virtual QWidget* MainWindow() = 0;

    // Opens a folder, a sheet or an image (other files go to their
    // program); null when nothing opened.
    virtual QWidget* OpenPath(const QString& path) = 0;
    // Opens path as OpenPath does; an image window on it steps through
    // order (a sheet's items in its order) rather than the file's folder.
    virtual QWidget* OpenPathFrom(const QString& path, const QStringList& order) = 0;
    // The file the user looks at: the active image's path or the one
    // selected item of the active sheet; an empty path where the window
    // shows no file (an untitled image, an empty slide show); nothing when
    // no such file can be told.
    virtual std::optional<std::string> ViewedFile() = 0;
    // Opens path as an image (an open window on it is activated instead).
    virtual QWidget* OpenImageWindow(const QString& path) = 0;
    // Opens a file just written in a window of its own, showing it as it
    // was written, also where a window shows that path already.
    virtual QWidget* OpenWrittenImage(const QString& path) = 0;
    // A new contact sheet of files; null when none opened.
    virtual QWidget* OpenSheetOfFiles(const QStringList& files) = 0;
    // Shows a contact-sheet document as a slide show, in a window of its
    // own; nothing where the program has none.
    virtual void StartSlideShow(QObject* sheetDocument) { (void)sheetDocument; }

    // Opens a scanned page (a packed DIB) as a new untitled image.
    virtual void OpenScannedPage(std::vector<uint8_t> dib) = 0;
    // "Image1", "Image2"... for untitled documents.
    virtual QString NextUntitledName() = 0;
    virtual void AddToRecentFiles(const QString& path) = 0;
    virtual bool MailIsAvailable() = 0;
    // Saves a picture under a JPEG name through the compression dialog;
    // false when the user cancels.
    virtual bool SaveJpeg(const CImageBuffer& image, const QString& path) = 0;
};

}  // namespace pix
