#include "uiservices/SheetFileCommands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "platform/FileOperations.h"
#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/CSheetDocument.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"

namespace pix {

void CopyOrMoveItemFiles(CSheetDocument& doc, const std::vector<size_t>& positions, bool move)
{
    if (positions.empty())
        return;
    AppServices& app = doc.Services();
    const QString proposed =
        positions.size() == 1 ? QFileInfo(doc.PathAt(positions.front())).fileName() : QStringLiteral("multiple");
    const QString title = move ? QObject::tr("Move: Choose new directory") : QObject::tr("Copy: Choose new directory");
    const QString chosen = ChooseDestination(app, title, proposed, {});
    if (chosen.isEmpty())
        return;
    // Several files go into a folder: the chosen one, or the one the
    // chosen name is in. One file goes to the chosen path, or into it when
    // it is a folder.
    const bool chosenIsFolder = QFileInfo(chosen).isDir();
    const QDir folder(chosenIsFolder ? chosen : QFileInfo(chosen).absolutePath());
    CProgressDlg progress(app.MainWindow());
    progress.SetRange(0, static_cast<int>(positions.size()));
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] >= doc.Sheet().Count())
            break;
        const QString source = doc.PathAt(positions[i]);
        const QString target = positions.size() == 1 && !chosenIsFolder
                                    ? chosen
                                    : folder.filePath(QFileInfo(source).fileName());
        if (!progress.Step(source.toStdString(), static_cast<int>(i)))
            break;
        const FileOpResult result =
            move ? MoveFileTo(source, target, app.Prompt()) : CopyFileTo(source, target, app.Prompt());
        // Only a file that really went there is followed.
        if (result == FileOpResult::Done)
            doc.SetFileAt(nullptr, positions[i], QDir::toNativeSeparators(target).toStdString());
    }
}

bool DeleteItemFiles(CSheetDocument& doc, const std::vector<size_t>& positions)
{
    if (positions.empty())
        return false;
    AppServices& app = doc.Services();
    const Answer answer =
        positions.size() == 1
            ? app.Prompt().Show(MsgId::ConfirmTrash, {doc.PathAt(positions.front()).toStdString()})
            : app.Prompt().Show(MsgId::ConfirmTrashFiles, {static_cast<long long>(positions.size())});
    if (answer != Answer::Yes)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<size_t> gone;
    for (size_t p : positions) {
        const QString path = doc.PathAt(p);
        if (QFileInfo::exists(path) && !QFile::moveToTrash(path))
            app.Prompt().Show(MsgId::TrashFailed, {path.toStdString()});
        if (!QFileInfo::exists(path))
            gone.push_back(p);
    }
    RemoveItems(doc, gone);
    QApplication::restoreOverrideCursor();
    return true;
}

void RemoveItems(CSheetDocument& doc, const std::vector<size_t>& positions)
{
    // From the back, so that the positions ahead stay valid.
    for (auto p = positions.rbegin(); p != positions.rend(); ++p)
        doc.RemoveAt(nullptr, *p);
}

}  // namespace pix
