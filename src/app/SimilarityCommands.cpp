// The similar-image searches of the main window: duplicates among chosen
// files, and files like the active image or like the pictures of the
// active contact sheet. Results open as contact sheets or image windows.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QStandardPaths>
#include <optional>

#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "database/SignatureCache.h"
#include "database/SimilaritySearch.h"
#include "database/VerdictStore.h"
#include "dbui/CTwinSeekerDlg.h"
#include "dbui/DatabaseCommands.h"
#include "imageui/CPixadromeDoc.h"
#include "imageui/CPixadromeView.h"
#include "reviewui/CDuplicateReviewDlg.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/RememberedFolders.h"

namespace pix {
namespace {

constexpr int kDefaultTolerance = 95;

// The "not duplicates" verdicts kept beside the database, which every
// search honours.
struct SavedVerdicts {
    explicit SavedVerdicts(const std::string& databasePath) : file(VerdictStorePath(databasePath)) { store.Load(file); }
    const std::string file;
    VerdictStore store;
};

class WindowSink final : public SearchResultSink {
public:
    explicit WindowSink(CPixadromeApp& app) : app_(app) {}
    bool OpenSheet(const std::vector<std::string>& paths, const std::string& title) override
    {
        QStringList files;
        for (const std::string& path : paths)
            files << QString::fromStdString(path);
        CChildFrame* frame = app_.NewSheetFromFiles(files, QString::fromStdString(title));
        // The groups of the duplicate search, which are titled, fill the area.
        if (frame && !title.empty())
            frame->showMaximized();
        return frame != nullptr;
    }
    void OpenImage(const std::string& path) override { app_.OpenImageWindow(QString::fromStdString(path)); }

private:
    CPixadromeApp& app_;
};

// Keeps the groups of a duplicate search for the review window.
class GroupSink final : public SearchResultSink {
public:
    std::vector<std::vector<std::string>> groups;
    bool OpenSheet(const std::vector<std::string>& paths, const std::string&) override
    {
        groups.push_back(paths);
        return true;
    }
    void OpenImage(const std::string&) override {}
};

// The files to search and the Twin Seeker's answers; nothing when the
// user cancels either.
struct SearchSetup {
    std::vector<std::string> files;
    int tolerance = kDefaultTolerance;
    bool allMode = false;
    bool turned = false;
};

// dupes: a duplicate search, which may also look for turned copies.
std::optional<SearchSetup> AskSearch(CPixadromeApp& app, Prompter& prompter, const QString& title, bool sheets,
                                     bool dupes = false)
{
    const QStringList files = ChooseSourceFiles(app, title, FilterOnCancel::Forget);
    if (files.isEmpty())
        return std::nullopt;
    CTwinSeekerDlg dialog(prompter, kDefaultTolerance, sheets, app.MainWindow(), dupes);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    RememberSourceFolder(app, files);
    SearchSetup setup;
    for (const QString& file : files)
        setup.files.push_back(file.toStdString());
    setup.tolerance = dialog.Tolerance();
    setup.allMode = sheets && dialog.AllMode();
    setup.turned = dialog.Turned();
    return setup;
}

// The signature cache the searches share with pixadrome-cli's, so a folder
// searched once is not decoded again by either.
std::string SharedSignatureCache()
{
    return SignatureCachePath(
        std::string(), QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
                           .toStdString());
}

}  // namespace

void CPixadromeApp::OnFindDupes()
{
    const auto setup = AskSearch(*this, prompter_, tr("Select images to search for dupes"), false, true);
    if (!setup)
        return;
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    SignatureCacheFile cache(SharedSignatureCache());
    SavedVerdicts verdicts(database_.ConfiguredPath());
    FindDupesInFolder(setup->files, setup->tolerance, static_cast<int>(mainFrame_->Children().size()), progress,
                      prompter_, sink, kMaxResultWindows, cache.Get(), &verdicts.store, setup->turned);
}

void CPixadromeApp::OnReviewDupes()
{
    const auto setup = AskSearch(*this, prompter_, tr("Select images to review for dupes"), false, true);
    if (!setup)
        return;
    // Pairs the user said are no duplicates stay apart, and the window adds
    // to the same verdicts.
    SavedVerdicts verdicts(database_.ConfiguredPath());
    GroupSink sink;
    {
        CProgressDlg progress(MainWindow());
        SignatureCacheFile cache(SharedSignatureCache());
        FindDupesInFolder(setup->files, setup->tolerance, 0, progress, prompter_, sink, 0, cache.Get(), &verdicts.store,
                          setup->turned);
    }
    if (sink.groups.empty())
        return;
    auto* window = new CDuplicateReviewDlg(*this, sink.groups, verdicts.file, MainWindow());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->activateWindow();
}

void CPixadromeApp::OnFindDupesOfNew()
{
    const auto setup = AskSearch(*this, prompter_, tr("Select the new images"), false, true);
    if (!setup)
        return;
    SavedVerdicts verdicts(database_.ConfiguredPath());
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    SignatureCacheFile cache(SharedSignatureCache());
    // The library is every picture searched before at this tolerance's size.
    const std::vector<std::string> library =
        cache.Get() ? cache.Get()->Paths(LoadSizeForTolerance(setup->tolerance)) : std::vector<std::string>();
    FindDupesOfNew(setup->files, library, setup->tolerance, static_cast<int>(mainFrame_->Children().size()),
                   progress, prompter_, sink, kMaxResultWindows, cache.Get(), &verdicts.store, setup->turned);
}

void CPixadromeApp::OnFindSimilarToThis()
{
    CPixadromeView* view = mainFrame_->ActiveImageView();
    if (!view)
        return;
    const auto setup = AskSearch(*this, prompter_, tr("Select images to compare with"), false);
    if (!setup)
        return;
    SavedVerdicts verdicts(database_.ConfiguredPath());
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    SignatureCacheFile cache(SharedSignatureCache());
    FindSimilarToThis(view->Document().Image(), setup->files, setup->tolerance, progress, prompter_, sink,
                      cache.Get(), &verdicts.store,
                      QDir::toNativeSeparators(view->Document().PathName()).toStdString());
}

void CPixadromeApp::OnFindSimilarToThese()
{
    CThumbnailView* view = mainFrame_->ActiveSheetView();
    if (!view)
        return;
    std::vector<std::string> references;
    const ThumbnailSheet& sheet = view->Document().Sheet();
    for (size_t position = 0; position < sheet.Count(); ++position)
        references.push_back(sheet.Files()[sheet.ItemAt(position)]);
    const auto setup = AskSearch(*this, prompter_, tr("Select images to compare with"), true);
    if (!setup)
        return;
    SavedVerdicts verdicts(database_.ConfiguredPath());
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    SignatureCacheFile cache(SharedSignatureCache());
    FindSimilarToThese(references, setup->files, setup->tolerance, setup->allMode, progress, prompter_, sink,
                       cache.Get(), &verdicts.store);
}

}  // namespace pix
