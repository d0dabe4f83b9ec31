// The similar-image searches of the main window: duplicates among chosen
// files, and files like the active image or like the pictures of the
// active contact sheet. Results open as contact sheets or image windows.
#include <QMdiArea>

#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "database/SimilaritySearch.h"
#include "dbui/CTwinSeekerDlg.h"
#include "dbui/DatabaseCommands.h"
#include "imageui/CPixadromeDoc.h"
#include "imageui/CPixadromeView.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "uiservices/CProgressDlg.h"

namespace pix {
namespace {

constexpr int kDefaultTolerance = 95;

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

std::vector<std::string> Paths(const QStringList& files)
{
    std::vector<std::string> out;
    for (const QString& file : files)
        out.push_back(file.toStdString());
    return out;
}

}  // namespace

void CPixadromeApp::OnFindDupes()
{
    const QStringList files = ChooseSourceFiles(*this, tr("Select images to search for dupes"));
    if (files.isEmpty())
        return;
    CTwinSeekerDlg dialog(prompter_, kDefaultTolerance, false, MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return;
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    FindDupesInFolder(Paths(files), dialog.Tolerance(), static_cast<int>(mainFrame_->Children().size()), progress,
                      prompter_, sink);
}

void CPixadromeApp::OnFindSimilarToThis()
{
    CPixadromeView* view = mainFrame_->ActiveImageView();
    if (!view)
        return;
    const QStringList files = ChooseSourceFiles(*this, tr("Select images to compare with"));
    if (files.isEmpty())
        return;
    CTwinSeekerDlg dialog(prompter_, kDefaultTolerance, false, MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return;
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    FindSimilarToThis(view->Document().Image(), Paths(files), dialog.Tolerance(), progress, prompter_, sink);
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
    const QStringList files = ChooseSourceFiles(*this, tr("Select images to compare with"));
    if (files.isEmpty())
        return;
    CTwinSeekerDlg dialog(prompter_, kDefaultTolerance, true, MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return;
    WindowSink sink(*this);
    CProgressDlg progress(MainWindow());
    FindSimilarToThese(references, Paths(files), dialog.Tolerance(), dialog.AllMode(), progress, prompter_, sink);
}

}  // namespace pix
