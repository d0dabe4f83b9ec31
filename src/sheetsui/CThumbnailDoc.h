#pragma once
// A contact sheet as a document: the sheet's items and format, its file,
// title and modified flag, and the views that show it (CSheetDocument).
// Every change goes through the document, which marks it modified and
// sends its views the change as a hint (SheetUpdateHint.h).

#include <QObject>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/FileVersion.h"
#include "sheets/ThumbnailSheet.h"
#include "uiservices/CSheetDocument.h"

namespace pix {

class AppServices;
class ThumbnailMaker;

class CThumbnailDoc : public CSheetDocument {
    Q_OBJECT
public:
    // A new sheet of files (pictures drawn now); null when it is abandoned.
    static std::unique_ptr<CThumbnailDoc> FromFiles(AppServices& app, const QStringList& files);
    // A sheet read from path; null (reported) when it cannot be read.
    static std::unique_ptr<CThumbnailDoc> FromFile(AppServices& app, const QString& path);

    // Items that do not exist where the sheet says, but beside the sheet's
    // own file under the same name, are found there. Not a change of the
    // sheet (nothing is marked modified); no hint.
    void RelocateMissingFiles();

    // Changes of the items, by position; each marks the sheet modified and
    // sends its hint (RemoveAt and SetFileAt: CSheetDocument). False when
    // the list takes no more pictures.
    bool InsertFile(QObject* sender, const std::string& path, size_t position, ThumbnailMaker& maker,
                    const std::optional<std::string>& label = std::nullopt);
    // Adds files at position (clamped) with labels by index where given,
    // under a progress window ("Loading " + path), pictures drawn ahead;
    // a cancel stops after the file at hand. The count added.
    size_t InsertFiles(QObject* sender, const QStringList& paths, size_t position, const QStringList& labels);
    void SetLabelAt(QObject* sender, size_t position, const std::string& label);
    void ApplyOrder(QObject* sender, std::vector<uint32_t> order);
    void GenerateLabels(QObject* sender);
    // A changed format (hint 0).
    void FormatChanged(QObject* sender);

    // Writes the sheet to path; reported and false when it cannot.
    bool SaveDocument(const QString& path);
    bool OnSave();
    // The sheet file, a picture per page or web pages, by the extension
    // chosen; false when the user cancels.
    bool OnSaveAs();
    // Asks about unsaved changes; false when the user cancels closing.
    bool SaveModified();

    // The page set up for printing; invalid until Page Setup ran.
    QPageLayout& PrintLayout() { return printLayout_; }

private:
    explicit CThumbnailDoc(AppServices& app);
    // The page size for pictures and web pages; false when cancelled.
    bool ChoosePageSize(int& width, int& height);
    // Writes what the name chosen in Save As asks for: whether it was
    // written, nothing when the user cancels a dialog on the way.
    std::optional<bool> SaveAsChosen(const QString& chosen);
    // Opens what an export wrote: one file as itself, several as a sheet.
    void OpenWritten(const std::vector<std::string>& written);

    QPageLayout printLayout_;
    // The sheet file as this window last read or wrote it.
    std::optional<FileVersion> diskVersion_;
};

}  // namespace pix
