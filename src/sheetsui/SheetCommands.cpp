// The item commands of a contact-sheet view: opening, removing, inserting,
// sorting and relabelling items, copying, moving and deleting their files,
// and the labels on the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "platform/FileOperations.h"
#include "sheets/SheetUpdateHint.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/SheetModel.h"
#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"

namespace pix {

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// One direction per key for the whole program, ascending first.
std::array<bool, kSortKeyCount>& SortDirections()
{
    static std::array<bool, kSortKeyCount> ascending{true, true, true, true, true, true};
    return ascending;
}

QString Setting(SettingsStore& settings, const settings::StringKey& key)
{
    return QString::fromStdString(settings.GetString(key.section, key.key, QDir::currentPath().toStdString()));
}

QString PathAt(const ThumbnailSheet& sheet, size_t position)
{
    return QString::fromStdString(sheet.Files()[sheet.ItemAt(position)]);
}

}  // namespace

bool CThumbnailView::NextSortAscending(SortKey key) { return SortDirections()[static_cast<size_t>(key)]; }

void CThumbnailView::OnOpenFile()
{
    const std::vector<size_t> selected = SelectedPositions();
    AppServices& app = doc_->Services();
    if (selected.size() == 1) {
        app.OpenImageWindow(PathAt(doc_->Sheet(), selected.front()));
        return;
    }
    QStringList files;
    for (size_t p : selected)
        files << PathAt(doc_->Sheet(), p);
    if (!files.isEmpty())
        app.OpenSheetOfFiles(files);
}

void CThumbnailView::RemovePositions(const std::vector<size_t>& positions)
{
    // From the back, so that the positions ahead stay valid.
    for (auto p = positions.rbegin(); p != positions.rend(); ++p)
        doc_->RemoveAt(nullptr, *p);
}

void CThumbnailView::OnRemove()
{
    WaitCursor wait;
    RemovePositions(SelectedPositions());
}

void CThumbnailView::OnInsert()
{
    const std::vector<size_t> selected = SelectedPositions();
    const size_t position = selected.empty() ? doc_->Sheet().Count() : selected.front();
    AppServices& app = doc_->Services();
    SettingsStore& settings = app.Settings();
    const auto& filterKey = settings::kSrcFilter;
    int filterIndex = settings.GetInt(filterKey.section, filterKey.key, filterKey.fallback);
    const QStringList chosen = app.Files().ChooseOpen(app.MainWindow(), tr("Add one or more files"),
                                                      Setting(settings, settings::kSrcDir), kOpenFilter, filterIndex);
    settings.SetInt(filterKey.section, filterKey.key, filterIndex);
    if (chosen.isEmpty())
        return;
    settings.SetString(settings::kSrcDir.section, settings::kSrcDir.key,
                       QFileInfo(chosen.front()).absolutePath().toStdString());
    doc_->InsertFiles(nullptr, chosen, position, {});
}

void CThumbnailView::OnSort(SortKey key)
{
    bool& ascending = SortDirections()[static_cast<size_t>(key)];
    WaitCursor wait;
    // Each item's text made a QString once, not at every comparison.
    std::vector<QString> texts;
    if (IsTextKey(key)) {
        const std::vector<std::string> keys = TextSortKeys(doc_->Sheet(), key);
        texts.reserve(keys.size());
        for (const std::string& k : keys)
            texts.push_back(QString::fromStdString(k));
    }
    const auto compare = [&texts](uint32_t a, uint32_t b) {
        return QString::compare(texts[a], texts[b], Qt::CaseInsensitive);
    };
    std::vector<uint32_t> order = SortedOrder(doc_->Sheet(), key, ascending, compare);
    ascending = !ascending;
    doc_->ApplyOrder(nullptr, std::move(order));
}

void CThumbnailView::OnGenerateLabels()
{
    if (doc_->Services().Prompt().Show(MsgId::DiscardLabels) != Answer::Yes)
        return;
    WaitCursor wait;
    doc_->GenerateLabels(nullptr);
}

void CThumbnailView::OnCopyFiles() { CopyOrMoveFiles(false); }

void CThumbnailView::OnMoveFiles() { CopyOrMoveFiles(true); }

void CThumbnailView::CopyOrMoveFiles(bool move)
{
    const std::vector<size_t> selected = SelectedPositions();
    if (selected.empty())
        return;
    AppServices& app = doc_->Services();
    SettingsStore& settings = app.Settings();
    const ThumbnailSheet& sheet = doc_->Sheet();
    const QString proposed =
        selected.size() == 1 ? QFileInfo(PathAt(sheet, selected.front())).fileName() : QStringLiteral("multiple");
    const QString title = move ? tr("Move: Choose new directory") : tr("Copy: Choose new directory");
    const QString chosen =
        app.Files().ChooseSave(app.MainWindow(), title, Setting(settings, settings::kDestDir), proposed, {});
    if (chosen.isEmpty())
        return;
    settings.SetString(settings::kDestDir.section, settings::kDestDir.key,
                       QFileInfo(chosen).absolutePath().toStdString());
    // Several files go into a folder: the chosen one, or the one the
    // chosen name is in. One file goes to the chosen path, or into it when
    // it is a folder.
    const bool chosenIsFolder = QFileInfo(chosen).isDir();
    const QDir folder(chosenIsFolder ? chosen : QFileInfo(chosen).absolutePath());
    CProgressDlg progress(app.MainWindow());
    progress.SetRange(0, static_cast<int>(selected.size()));
    for (size_t i = 0; i < selected.size(); ++i) {
        const QString source = PathAt(doc_->Sheet(), selected[i]);
        const QString target = selected.size() == 1 && !chosenIsFolder
                                    ? chosen
                                    : folder.filePath(QFileInfo(source).fileName());
        if (!progress.Step(source.toStdString(), static_cast<int>(i)))
            break;
        const FileOpResult result =
            move ? MoveFileTo(source, target, app.Prompt()) : CopyFileTo(source, target, app.Prompt());
        // Only a file that really went there is followed.
        if (result == FileOpResult::Done)
            doc_->SetFileAt(nullptr, selected[i], QDir::toNativeSeparators(target).toStdString());
    }
}

void CThumbnailView::OnDeleteFiles()
{
    const std::vector<size_t> selected = SelectedPositions();
    if (selected.empty())
        return;
    AppServices& app = doc_->Services();
    const ThumbnailSheet& sheet = doc_->Sheet();
    const Answer answer = selected.size() == 1
                              ? app.Prompt().Show(MsgId::ConfirmTrash, {PathAt(sheet, selected.front()).toStdString()})
                              : app.Prompt().Show(MsgId::ConfirmTrashFiles, {static_cast<long long>(selected.size())});
    if (answer != Answer::Yes)
        return;
    WaitCursor wait;
    std::vector<size_t> gone;
    for (size_t p : selected) {
        const QString path = PathAt(sheet, p);
        if (QFileInfo::exists(path) && !QFile::moveToTrash(path))
            app.Prompt().Show(MsgId::TrashFailed, {path.toStdString()});
        if (!QFileInfo::exists(path))
            gone.push_back(p);
    }
    RemovePositions(gone);
}

void CThumbnailView::OnSlideShow() { doc_->Services().StartSlideShow(doc_); }

void CThumbnailView::OnEditCopy()
{
    const std::vector<size_t> selected = SelectedPositions();
    if (selected.empty())
        return;
    const ThumbnailSheet& sheet = doc_->Sheet();
    QString text;
    for (size_t p : selected)
        text += QString::fromStdString(sheet.Labels()[sheet.ItemAt(p)]) + QStringLiteral("\r\n");
    QGuiApplication::clipboard()->setText(text);
}

}  // namespace pix
