#pragma once
// The document templates: factories that make a document, its view and
// its window. The image template opens any file the readers accept; the
// contact-sheet template takes a list of files or a ".pxc" file;
// the slide-show template only serves the slide-show command.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace pix {

class CChildFrame;
class CPixadromeApp;
class CSheetDocument;
class CThumbnailDoc;

class CDocTemplate {
public:
    explicit CDocTemplate(CPixadromeApp& app) : app_(app) {}
    virtual ~CDocTemplate() = default;
    // A window on path; null when it does not open.
    virtual CChildFrame* OpenDocumentFile(const QString& path) = 0;
    // A new untitled document; null when it cannot be made.
    virtual CChildFrame* NewDocument() = 0;

protected:
    CPixadromeApp& app_;
};

class CImageTemplate final : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    CChildFrame* OpenDocumentFile(const QString& path) override;
    CChildFrame* NewDocument() override;  // the clipboard's picture
    // A new untitled picture from a packed DIB (a scanned page).
    CChildFrame* NewImage(std::vector<uint8_t> dib);
    // A new window on path, whether or not one shows it already.
    CChildFrame* OpenNewWindow(const QString& path);
};

// Contact sheets: new from a list of files, or read from ".pxc".
class CSheetTemplate final : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    CChildFrame* OpenDocumentFile(const QString& path) override;
    CChildFrame* NewDocument() override { return NewSheet({}, QString()); }
    // A new sheet of files titled title ("Contact SheetN" when empty).
    CChildFrame* NewSheet(const QStringList& files, const QString& title);

private:
    CChildFrame* Show(std::unique_ptr<CThumbnailDoc> doc, const QString& title);
    int untitled_ = 0;
};

// Slide shows: another window on a contact sheet's document, which it
// shares; nothing opens from a file or anew.
class CSlideTemplate final : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    CChildFrame* OpenDocumentFile(const QString&) override { return nullptr; }
    CChildFrame* NewDocument() override { return nullptr; }
    CChildFrame* Show(CSheetDocument& doc);
};

// Another window on a contact-sheet document (which the windows share).
CChildFrame* ShowSheetView(CPixadromeApp& app, CThumbnailDoc& doc);

}  // namespace pix
