#pragma once
// A view of a contact sheet: the items' pictures with their labels below,
// in the sheet's display order (list rows are sheet positions), over a
// model of its own. It follows the document's hints, edits labels in
// place, runs the item commands and takes part in drag and drop. Several
// views may show one document.

#include <QListView>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sheets/SheetSort.h"

class QDrag;
class QMenu;
class QPrinter;

namespace pix {

class CThumbnailDoc;
class SheetHoverPreview;
class SheetModel;

class CThumbnailView : public QListView {
    Q_OBJECT
public:
    // The view joins doc's views.
    explicit CThumbnailView(CThumbnailDoc& doc, QWidget* parent = nullptr);
    ~CThumbnailView() override;

    CThumbnailDoc& Document() { return *doc_; }
    SheetModel& Model() { return *model_; }
    SheetHoverPreview& Preview() { return *preview_; }
    // Where the item's picture is drawn, in viewport coordinates.
    QRect PictureRect(const QModelIndex& index) const;
    // The frame's title: the sheet's title and what is selected.
    QString Caption() const;
    // "n items wxh" for the status bar.
    QString StatusText() const;
    // Narrows frame (the window around the view) to two columns when it
    // is wider.
    void NarrowToTwoColumns(QWidget* frame);

    // Selected positions, ascending.
    std::vector<size_t> SelectedPositions() const;
    // Every item's file, in the sheet's order.
    QStringList ItemPaths() const;
    bool HasSelection() const;

    // Commands.
    void OnOpenFile();
    void OnRemove();
    void OnInsert();
    void OnSort(SortKey key);
    void OnGenerateLabels();
    void OnCopyFiles();
    void OnMoveFiles();
    void OnDeleteFiles();
    void OnSlideShow();
    void OnEditCopy();
    void OnPrint();
    void OnPrintPreview();
    void OnPageSetup();
    // Prints pages first..last (from 1) on printer; false when nothing
    // could be printed.
    bool PrintTo(QPrinter& printer, int first, int last, bool highQuality);
    // The direction the next sort by key takes (shared by every view).
    static bool NextSortAscending(SortKey key);

    // The popup of the list: "2 - Contact Sheet".
    QMenu* MakeContextMenu(QWidget* parent);
    // Files added at position (clamped), with labels by index where given;
    // pictures drawn ahead under a progress window.
    void InsertFiles(const QStringList& paths, size_t position, const QStringList& labels);
    // How a drag the view starts runs: QDrag::exec unless set (a test
    // drives the drop itself and answers its result).
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;
    void SetDragRunner(DragRunner runner) { dragRunner_ = std::move(runner); }
    // The row a drop at point goes before: the nearest item to the left,
    // else above; -1 for the end.
    int DropTargetAt(QPoint point) const;

signals:
    void captionChanged();
    void statusTextChanged(const QString& text);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnUpdate(QObject* sender, uint32_t hint);
    void OnSelectionChanged();
    void ApplyFormat();
    void SetDropTarget(int row);

    CThumbnailDoc* doc_;
    SheetModel* model_;
    SheetHoverPreview* preview_;
    int dropTarget_ = -1;
    DragRunner dragRunner_;
};

}  // namespace pix
