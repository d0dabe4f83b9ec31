// The item commands of a contact-sheet view: opening, removing, inserting,
// sorting and relabelling items, copying, moving and deleting their files
// (as every window of a sheet does them: SheetFileCommands.h), and the
// labels on the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <array>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "sheets/SheetUpdateHint.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/SheetModel.h"
#include "uiservices/AppServices.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"
#include "uiservices/SheetFileCommands.h"

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
    static std::array<bool, kSortKeyCount> ascending{true, true, true, true, true, true, true};
    return ascending;
}


}  // namespace

bool CThumbnailView::NextSortAscending(SortKey key) { return SortDirections()[static_cast<size_t>(key)]; }

void CThumbnailView::OnOpenFile()
{
    const std::vector<size_t> selected = SelectedPositions();
    AppServices& app = doc_->Services();
    if (selected.size() == 1) {
        app.OpenPathFrom(doc_->PathAt(selected.front()), ItemPaths());
        return;
    }
    QStringList files;
    for (size_t p : selected)
        files << doc_->PathAt(p);
    if (!files.isEmpty())
        app.OpenSheetOfFiles(files);
}

QStringList CThumbnailView::ItemPaths() const
{
    QStringList paths;
    const size_t count = doc_->Sheet().Count();
    paths.reserve(static_cast<qsizetype>(count));
    for (size_t position = 0; position < count; ++position)
        paths << doc_->PathAt(position);
    return paths;
}

void CThumbnailView::OnRemove()
{
    WaitCursor wait;
    RemoveItems(*doc_, SelectedPositions());
}

void CThumbnailView::OnInsert()
{
    const std::vector<size_t> selected = SelectedPositions();
    const size_t position = selected.empty() ? doc_->Sheet().Count() : selected.front();
    AppServices& app = doc_->Services();
    const QStringList chosen = ChooseSourceFiles(app, tr("Add one or more files"), FilterOnCancel::Store);
    if (chosen.isEmpty())
        return;
    RememberSourceFolder(app, chosen);
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

void CThumbnailView::OnCopyFiles() { CopyOrMoveItemFiles(*doc_, SelectedPositions(), false); }

void CThumbnailView::OnMoveFiles() { CopyOrMoveItemFiles(*doc_, SelectedPositions(), true); }

void CThumbnailView::OnDeleteFiles() { DeleteItemFiles(*doc_, SelectedPositions()); }

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
