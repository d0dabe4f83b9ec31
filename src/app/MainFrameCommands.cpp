#include "app/MainFrameCommands.h"

#include <QCoreApplication>
#include <QMdiArea>

#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "imageui/CPixadromeDoc.h"
#include "imageui/CPixadromeView.h"
#include "platform/ClipboardImage.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/FormatCommands.h"

namespace pix {

namespace {

using Run = std::function<void(const CommandContext&)>;
using When = std::function<bool(const CommandContext&)>;

// A command of the active image view or of its document; nothing without one.
template <typename R>
Run OnView(R (CPixadromeView::*f)())
{
    return [f](const CommandContext& c) {
        if (c.view)
            (c.view->*f)();
    };
}

template <typename R>
Run OnDoc(R (CPixadromeDoc::*f)())
{
    return [f](const CommandContext& c) {
        if (c.view)
            (c.view->Document().*f)();
    };
}

Run OnApp(void (CPixadromeApp::*f)())
{
    return [f](const CommandContext& c) { (c.app.*f)(); };
}

Run OnArea(void (QMdiArea::*f)())
{
    return [f](const CommandContext& c) { (c.frame.MdiArea()->*f)(); };
}

bool HasView(const CommandContext& c) { return c.view != nullptr; }
bool HasDocument(const CommandContext& c) { return c.view != nullptr || c.sheet != nullptr; }
bool HasSheet(const CommandContext& c) { return c.sheet != nullptr; }
bool SheetHasSelection(const CommandContext& c) { return c.sheet && c.sheet->HasSelection(); }

// A command of the active contact sheet; nothing without one.
Run OnSheet(void (CThumbnailView::*f)())
{
    return [f](const CommandContext& c) {
        if (c.sheet)
            (c.sheet->*f)();
    };
}

Run SortBy(SortKey key)
{
    return [key](const CommandContext& c) {
        if (c.sheet)
            c.sheet->OnSort(key);
    };
}

void SaveAs(const CommandContext& c)
{
    if (c.sheet)
        c.sheet->Document().OnSaveAs();
    else if (c.view)
        c.view->Document().OnSaveAs();
}

// A command of the active image view, or else of the active sheet.
Run OnViewOrSheet(void (CPixadromeView::*image)(), void (CThumbnailView::*sheet)())
{
    return [image, sheet](const CommandContext& c) {
        if (c.view)
            (c.view->*image)();
        else if (c.sheet)
            (c.sheet->*sheet)();
    };
}

void EditCopy(const CommandContext& c)
{
    if (c.sheet)
        c.sheet->OnEditCopy();
    else if (c.view)
        c.view->OnEditCopy();
}

When ViewCan(bool (CPixadromeView::*f)() const)
{
    return [f](const CommandContext& c) { return c.view && (c.view->*f)(); };
}

When DocCan(bool (CPixadromeDoc::*f)() const)
{
    return [f](const CommandContext& c) { return c.view && (c.view->Document().*f)(); };
}

// Save writes to the document's file; an untitled document asks for a name.
void Save(const CommandContext& c)
{
    if (c.sheet) {
        c.sheet->Document().OnSave();
        return;
    }
    if (!c.view)
        return;
    CPixadromeDoc& d = c.view->Document();
    if (d.PathName().isEmpty())
        d.OnSaveAs();
    else
        d.SaveDocument(d.PathName());
}

}  // namespace

#define T(text) QT_TRANSLATE_NOOP("CMainFrame", text)

const std::vector<MainFrameCommand>& MainFrameCommands()
{
    static const std::vector<MainFrameCommand> commands{
        // File
        {"open", T("&Open..."), T("Open one or more images\nOpen"), QKeySequence::Open, QStyle::SP_DialogOpenButton,
         OnApp(&CPixadromeApp::OnFileOpen), {}},
        {"save", T("&Save"), T("Save the active document\nSave"), QKeySequence::Save, QStyle::SP_DialogSaveButton,
         Save, HasDocument},
        {"saveAs", T("Save &As..."), T("Save the active document with a new name\nSave As"), {}, {}, SaveAs,
         HasDocument},
        {"copyFile", T("&Copy..."), T("Copy or rename file\nCopy"), {}, {}, OnDoc(&CPixadromeDoc::OnCopy),
         DocCan(&CPixadromeDoc::CanCopy)},
        {"moveFile", T("&Move..."), T("Move or rename file\nMove"), {}, {}, OnDoc(&CPixadromeDoc::OnMove),
         DocCan(&CPixadromeDoc::CanMoveOrDelete)},
        {"deleteFile", T("&Delete"), T("Delete the file\nDelete"), {}, {}, OnDoc(&CPixadromeDoc::OnDelete),
         DocCan(&CPixadromeDoc::CanMoveOrDelete)},
        {"wallpaper", T("Use as &wallpaper"), T("Use the image as desktop wallpaper\nUse as wallpaper"), {}, {},
         OnDoc(&CPixadromeDoc::OnUseAsWallpaper), HasView},
        {"sendTo", T("Send &to..."), T("Send the image as mail\nSend to"), {}, {}, OnDoc(&CPixadromeDoc::OnSendTo),
         DocCan(&CPixadromeDoc::CanSendTo)},
        {"print", T("&Print..."), T("Print the active document\nPrint"), QKeySequence::Print, {},
         OnViewOrSheet(&CPixadromeView::OnPrint, &CThumbnailView::OnPrint), HasDocument},
        {"printPreview", T("Print Pre&view"), T("Display full pages\nPrint Preview"), {}, {},
         OnViewOrSheet(&CPixadromeView::OnPrintPreview, &CThumbnailView::OnPrintPreview), HasDocument},
        {"pageSetup", T("Page Set&up..."), T("Change the printing options\nPage Setup"), {}, {},
         OnSheet(&CThumbnailView::OnPageSetup), HasSheet},
        {"selectSource", T("Select sou&rce..."), T("Choose a device to aquire an image\nSelect source"), {}, {},
         OnApp(&CPixadromeApp::OnSelectSource), {}},
        {"acquire", T("Ac&quire..."), T("Aquire an image with your scanner or camera\nScan"), {}, {},
         OnApp(&CPixadromeApp::OnAcquire), {}},
        {"findDupes", T("Find &dupes in folder..."), T("Find duplicates in folder\nTwin Seeker"), {}, {},
         OnApp(&CPixadromeApp::OnFindDupes), {}},
        {"reviewDupes", T("Review &duplicates..."),
         T("Find duplicates and choose which copies to keep\nReview duplicates"), {}, {},
         OnApp(&CPixadromeApp::OnReviewDupes), {}},
        {"associations", T("Launch Pixadrome with these files..."),
         T("Choose the image files Pixadrome opens\nFile associations"), {}, {},
         OnApp(&CPixadromeApp::OnFileAssociations), {}},
        {"exit", T("E&xit"), T("Quit Pixadrome\nExit"), QKeySequence(Qt::Key_Escape), {}, OnApp(&CPixadromeApp::OnExit),
         {}},
        // Edit
        {"undo", T("&Undo"), T("Undo the last action\nUndo"), QKeySequence::Undo, {}, OnView(&CPixadromeView::OnUndo),
         ViewCan(&CPixadromeView::CanUndo)},
        {"stepBack", T("Step &back"), T("Take back the last edit of the picture\nStep back"),
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z), {}, OnDoc(&CPixadromeDoc::OnStepBack),
         DocCan(&CPixadromeDoc::CanStepBack)},
        {"stepForward", T("Step &forward"), T("Make the edit taken back again\nStep forward"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), {}, OnDoc(&CPixadromeDoc::OnStepForward),
         DocCan(&CPixadromeDoc::CanStepForward)},
        {"copy", T("&Copy"), T("Copy the selection and put it on the Clipboard\nCopy"), QKeySequence::Copy,
         QStyle::SP_FileDialogDetailedView, EditCopy,
         [](const CommandContext& c) { return c.view || SheetHasSelection(c); }},
        {"paste", T("&Paste"), T("Insert Clipboard contents\nPaste"), QKeySequence::Paste, {},
         OnApp(&CPixadromeApp::OnPaste), [](const CommandContext&) { return ClipboardHasImage(); }},
        // View
        {"zoomIn", T("Zoom &in"), T("Zoom in\nZoom in"), QKeySequence::ZoomIn, {}, OnView(&CPixadromeView::OnZoomIn),
         ViewCan(&CPixadromeView::CanZoomIn)},
        {"zoomOut", T("Zoom &out"), T("Zoom out\nZoom out"), QKeySequence::ZoomOut, {},
         OnView(&CPixadromeView::OnZoomOut), ViewCan(&CPixadromeView::CanZoomOut)},
        {"fitToWindow", T("Fit to &window"), T("Show the whole picture in the window, or 1:1\nFit to window"),
         QKeySequence(Qt::Key_Asterisk), {}, OnView(&CPixadromeView::OnFitToWindow), HasView,
         [](const CommandContext& c) { return c.view && c.view->FittedToWindow(); }},
        {"fit", T("&Fit window to image"), T("Fit window to image\nFit window to image"), {}, {},
         [](const CommandContext& c) { c.frame.FitWindowToImage(); }, HasView},
        {"fullScreen", T("Full scr&een"), T("Toggle full screen mode\nToggle Full Screen"), QKeySequence(Qt::Key_F11),
         {}, [](const CommandContext& c) { c.frame.ToggleFullScreen(); }, {},
         [](const CommandContext& c) { return c.frame.IsFullScreen(); }},
        {"cancelFullScreen", T("Cancel full screen"), T("Cancel full screen mode\nCancel full screen"), {}, {},
         [](const CommandContext& c) { c.frame.ToggleFullScreen(); }, {}},
        {"database", T("&Database"), T("Show or hide database pane\nToggle database"), {}, {},
         [](const CommandContext& c) { c.frame.ShowDatabasePane(!c.frame.DatabasePane()); }, {},
         [](const CommandContext& c) { return c.frame.DatabasePane() != nullptr; }},
        // Image
        {"flipVertical", T("Flip &vertical"), T("Flip upside down\nFlip Vertical"), {}, {},
         OnDoc(&CPixadromeDoc::OnFlipVertical), HasView},
        {"flipHorizontal", T("Flip &horizontal"), T("Flip horizontal\nFlip Horizontal"), {}, {},
         OnDoc(&CPixadromeDoc::OnFlipHorizontal), HasView},
        {"rotateRight", T("Rotate 90° &right"), T("Rotate by 90° right\nRotate 90° right"), {}, {},
         OnView(&CPixadromeView::OnRotateRight), HasView},
        {"rotateLeft", T("Rotate 90° &left"), T("Rotate by 90° left°\nRotate 90° left"), {}, {},
         OnView(&CPixadromeView::OnRotateLeft), HasView},
        {"resize", T("Re&size..."), T("Change size of image\nResize"), {}, {}, OnView(&CPixadromeView::OnResize),
         HasView},
        {"enhance", T("&Enhance"), T("Enhance image\nEnhance"), {}, {}, OnView(&CPixadromeView::OnEnhance), HasView},
        {"colorCorrection", T("&Color Correction..."), T("Change contrast / brightness, gamma...\nColor Correction"),
         {}, {}, OnView(&CPixadromeView::OnColorCorrection), HasView},
        {"colorReduction", T("Color &Reduction..."), T("Reduce number of colors used\nColor Reduction"), {}, {},
         OnView(&CPixadromeView::OnColorReduction), HasView},
        {"photoMosaic", T("&Photo mosaic..."), T("Tile image with small images\nPhotomosaic"), {}, {},
         OnDoc(&CPixadromeDoc::OnPhotoMosaic), HasView},
        {"findSimilar", T("&Find images similar to this one..."), T("Find similar images\nTwin Seeker"), {}, {},
         OnApp(&CPixadromeApp::OnFindSimilarToThis), HasView},
        {"findDupesNew", T("Find dupes of &new pictures..."), T("Find duplicates of new pictures in the pictures searched before\nTwin Seeker"), {}, {},
         OnApp(&CPixadromeApp::OnFindDupesOfNew), {}},
        {"findSimilarThese", T("&Find images similar to these..."), T("Find similar images\nTwin Seeker"), {}, {},
         OnApp(&CPixadromeApp::OnFindSimilarToThese),
         [](const CommandContext& c) { return c.frame.ActiveSheetView() != nullptr; }},
        // Contact sheet
        {"sheetOpen", T("&Open"), T("Open file\nOpen File"), {}, {}, OnSheet(&CThumbnailView::OnOpenFile), HasSheet},
        {"sheetRemove", T("&Remove"), T("Remove selected thumbnails"), {}, {}, OnSheet(&CThumbnailView::OnRemove),
         SheetHasSelection},
        {"sheetInsert", T("&Insert..."), T("Add Files to contact sheet\nInsert"), {}, {},
         OnSheet(&CThumbnailView::OnInsert), HasSheet},
        {"sortLabel", T("by &Label"), T("Sort by Label\nSort by Label"), {}, {}, SortBy(SortKey::Label), HasSheet},
        {"sortName", T("by File Name"), T("by File Name"), {}, {}, SortBy(SortKey::FileName), HasSheet},
        {"sortPath", T("by &Path"), T("by &Path"), {}, {}, SortBy(SortKey::Path), HasSheet},
        {"sortSize", T("by file &size"), T("by file &size"), {}, {}, SortBy(SortKey::Size), HasSheet},
        {"sortCreated", T("by creation date"), T("by creation date"), {}, {}, SortBy(SortKey::Created), HasSheet},
        {"sortModified", T("by modification date"), T("by modification date"), {}, {}, SortBy(SortKey::Modified),
         HasSheet},
        {"sortTaken", T("by date taken"), T("Sort photos by the date they were taken\nby date taken"), {}, {},
         SortBy(SortKey::Taken), HasSheet},
        {"generateLabels", T("&Generate Labels"), T("&Generate Labels"), {}, {},
         OnSheet(&CThumbnailView::OnGenerateLabels), HasSheet},
        {"sheetCopyFiles", T("Cop&y..."), T("Copy or rename file\nCopy or rename"), {}, {},
         OnSheet(&CThumbnailView::OnCopyFiles), SheetHasSelection},
        {"sheetMoveFiles", T("&Move..."), T("Move or rename file\nMove or rename"), {}, {},
         OnSheet(&CThumbnailView::OnMoveFiles), SheetHasSelection},
        {"sheetDeleteFiles", T("&Delete"), T("Delete the file\nDelete File"), {}, {},
         OnSheet(&CThumbnailView::OnDeleteFiles), SheetHasSelection},
        {"slideShow", T("Slide &show"), T("View as slide show\nSlide show"), {}, {},
         OnSheet(&CThumbnailView::OnSlideShow), HasSheet},
        // Options
        {"editFormat", T("&Thumbnail format..."), T("Change appearance of contact sheet\nThumbnail format"), {}, {},
         [](const CommandContext& c) { EditFormat(c.app, c.sheet ? &c.sheet->Document() : nullptr); }, {}},
        {"saveFormat", T("&Save format..."), T("Save thumbnail format to file\nSave format"), {}, {},
         [](const CommandContext& c) { SaveFormatToFile(c.app, c.sheet ? &c.sheet->Document() : nullptr); }, {}},
        {"loadFormat", T("&Load format..."), T("Load thumbnail format from file\nLoad format"), {}, {},
         [](const CommandContext& c) { LoadFormatFromFile(c.app, c.sheet ? &c.sheet->Document() : nullptr); }, {}},
        {"useAsDefault", T("&Use as default"), T("Use current contact sheet format as default\n Use as default"), {},
         {},
         [](const CommandContext& c) {
             if (c.sheet)
                 UseFormatAsDefault(c.app, c.sheet->Document());
         },
         HasSheet},
        {"dbChange", T("&Change"), T("choose new or existing database file\nChange database"), {}, {},
         OnApp(&CPixadromeApp::OnDatabaseChange), {}},
        {"dbLocate", T("&Locate files"), T("Find files that where moved"), {}, {},
         OnApp(&CPixadromeApp::OnDatabaseLocate), {}},
        {"dbClean", T("Clea&n"), T("Remove deleted files"), {}, {}, OnApp(&CPixadromeApp::OnDatabaseClean), {}},
        // Window
        {"cascade", T("&Cascade"), "", {}, {}, OnArea(&QMdiArea::cascadeSubWindows), {}},
        {"tile", T("&Tile"), "", {}, {}, OnArea(&QMdiArea::tileSubWindows), {}},
        {"closeAll", T("Close &all"), T("Close all windows\nClose all"), {}, {}, OnArea(&QMdiArea::closeAllSubWindows),
         {}},
        // Help
        {"webPage", T("Pixadrome's &website"), T("Pixadrome's website\nWeb page"), {}, {},
         OnApp(&CPixadromeApp::OnWebPage), {}},
        {"about", T("&About Pixadrome"), T("Show program information\nAbout"), {}, {}, OnApp(&CPixadromeApp::OnAbout),
         {}},
    };
    return commands;
}

const std::vector<MenuLayout>& MainFrameMenus()
{
    static const std::vector<MenuLayout> menus{
        {T("&File"),
         {"open", "save", "saveAs", "-", "copyFile", "moveFile", "deleteFile", "wallpaper", "sendTo", "-", "print",
          "printPreview", "pageSetup", "-", "selectSource", "acquire", "-", "findDupes", "reviewDupes", "-", "associations", "-", "recent", "-", "exit"}},
        {T("&Edit"), {"undo", "stepBack", "stepForward", "-", "copy", "paste"}},
        {T("&View"),
         {"zoomIn", "zoomOut", "fitToWindow", "fit", "fullScreen", "-", "toolBarShown", "utilityBarShown", "statusBarShown", "-",
          "database"}},
        {T("&Image"),
         {"flipVertical", "flipHorizontal", "rotateRight", "rotateLeft", "resize", "-", "enhance", "colorCorrection",
          "colorReduction", "photoMosaic", "-", "findSimilar", "findSimilarThese", "findDupesNew"}},
        {kSheetMenuTitle,
         {"sheetOpen", "sheetRemove", "sheetInsert", "-", T(">&Sort"), "sortLabel", "sortName", "sortPath", "-",
          "sortSize", "sortCreated", "sortModified", "sortTaken", "<", "generateLabels", "-", "sheetCopyFiles", "sheetMoveFiles",
          "sheetDeleteFiles", "-", "slideShow"}},
        {T("&Options"), {"editFormat", "saveFormat", "loadFormat", "useAsDefault", "-", T(">&Database"), "dbChange", "dbLocate", "dbClean", "<"}},
        {T("&Window"), {"cascade", "tile", "closeAll"}},
        {T("&Help"), {"webPage", "about"}},
    };
    return menus;
}

const std::vector<const char*>& MainFrameToolBar()
{
    static const std::vector<const char*> items{"open", "save", "copy", "-", "zoomIn", "zoomOut", "-", "acquire"};
    return items;
}

const std::vector<const char*>& MainFrameUtilityBar()
{
    static const std::vector<const char*> items{"rotateLeft",   "rotateRight", "flipHorizontal", "flipVertical", "-",
                                                "enhance",      "colorCorrection", "colorReduction", "-",
                                                "findSimilar",  "fullScreen"};
    return items;
}

#undef T

}  // namespace pix
