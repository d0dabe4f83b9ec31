#pragma once
// The items of a contact sheet for one list view: one row per sheet
// position, the row's text as the view last heard of it (a label, or the
// file name of a changed item until the next full refresh), the item's
// picture made on demand and kept for the rows recently shown.

#include <QAbstractListModel>
#include <QCache>
#include <QPixmap>
#include <QSet>
#include <memory>
#include <vector>

namespace pix {

class CThumbnailDoc;
class SharpPictures;

class SheetModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // The row of the item's file path (tool tip, drag).
    static constexpr int kPathRole = Qt::UserRole + 1;

    SheetModel(CThumbnailDoc& doc, QObject* parent);
    ~SheetModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    // The changes the document announces.
    void ItemRemoved(int position);
    void ItemChanged(int position);
    void ItemInserted(int position);
    void RefreshAll();

    // The picture of the item at position (null when there is none).
    QPixmap Picture(int position) const;
    // Bytes of the pictures kept for drawing.
    qsizetype CachedPictureBytes() const { return pictures_.totalCost(); }

private:
    // Pixels of the screen per coordinate of the view showing the rows.
    double Ratio() const;
    // Drops the pictures made at the screen's resolution (items changed).
    void ForgetSharp();

    CThumbnailDoc& doc_;
    std::vector<QString> texts_;
    // By item index, their cost in bytes; emptied whenever item indices
    // change.
    mutable QCache<quint32, QPixmap> pictures_;
    // Above 100 %: the pictures made at the screen's resolution, by item,
    // and the items asked for.
    mutable QCache<quint32, QPixmap> sharp_;
    mutable QSet<quint32> askedSharp_;
    std::unique_ptr<SharpPictures> sharpMaker_;
};

}  // namespace pix
