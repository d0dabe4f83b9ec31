#include "sheetsui/SheetModel.h"

#include <cmath>

#include <QMimeData>
#include <QUrl>

#include <QWidget>

#include "render/ImageConversion.h"
#include "sheetsui/SharpPictures.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/SheetDrag.h"

namespace pix {

namespace {

// Bytes of pictures kept: a few screens full.
constexpr qsizetype kCachedPictureBytes = qsizetype{8} << 20;

}  // namespace

SheetModel::SheetModel(CThumbnailDoc& doc, QObject* parent) : QAbstractListModel(parent), doc_(doc)
{
    pictures_.setMaxCost(kCachedPictureBytes);
    sharp_.setMaxCost(4 * kCachedPictureBytes);
    sharpMaker_ = std::make_unique<SharpPictures>(this, [this](uint32_t item, int position, const QImage& picture) {
        const ThumbnailSheet& sheet = doc_.Sheet();
        if (position >= rowCount() || static_cast<size_t>(position) >= sheet.Count() ||
            sheet.ItemAt(static_cast<size_t>(position)) != item)
            return;
        auto* made = new QPixmap(QPixmap::fromImage(picture));
        made->setDevicePixelRatio(Ratio());
        sharp_.insert(item, made, std::max<qsizetype>(qsizetype{picture.width()} * picture.height() * 4, 1));
        const QModelIndex at = index(position);
        emit dataChanged(at, at, {Qt::DecorationRole});
    });
    const ThumbnailSheet& sheet = doc_.Sheet();
    texts_.reserve(sheet.Count());
    for (size_t p = 0; p < sheet.Count(); ++p)
        texts_.push_back(QString::fromStdString(sheet.Labels()[sheet.ItemAt(p)]));
}

SheetModel::~SheetModel() = default;

double SheetModel::Ratio() const
{
    const auto* view = qobject_cast<const QWidget*>(QObject::parent());
    return view ? view->devicePixelRatioF() : 1.0;
}

void SheetModel::ForgetSharp()
{
    sharp_.clear();
    askedSharp_.clear();
    sharpMaker_->Forget();
}

int SheetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

QPixmap SheetModel::Picture(int position) const
{
    const ThumbnailSheet& sheet = doc_.Sheet();
    if (position < 0 || static_cast<size_t>(position) >= sheet.Count())
        return {};
    const quint32 item = sheet.ItemAt(static_cast<size_t>(position));
    if (item >= sheet.Thumbnails().Count())
        return {};
    const double ratio = Ratio();
    if (ratio > 1) {
        // Drawn from the screen's pixels once made; the stored picture
        // stretched until then.
        if (QPixmap* sharp = sharp_.object(item); sharp && sharp->devicePixelRatio() == ratio)
            return *sharp;
        if (!askedSharp_.contains(item)) {
            askedSharp_.insert(item);
            // A request dropped for newer ones is asked again when its row shows.
            if (const auto dropped = sharpMaker_->Request(
                    item, position, sheet.Files()[item], static_cast<int>(std::lround(sheet.Thumbnails().Cx() * ratio)),
                    static_cast<int>(std::lround(sheet.Thumbnails().Cy() * ratio))))
                askedSharp_.remove(*dropped);
        }
    }
    if (QPixmap* cached = pictures_.object(item))
        return *cached;
    auto* made = new QPixmap(QPixmap::fromImage(ThumbnailImage(sheet.Thumbnails(), item)));
    const QPixmap result = *made;
    const qsizetype bytes = qsizetype{made->width()} * made->height() * std::max(made->depth() / 8, 1);
    pictures_.insert(item, made, std::max<qsizetype>(bytes, 1));
    return result;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= rowCount())
        return {};
    const ThumbnailSheet& sheet = doc_.Sheet();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return texts_[static_cast<size_t>(row)];
    case Qt::DecorationRole:
        return Picture(row);
    // No tooltip: it would cover the hover preview.
    case kPathRole:
        if (static_cast<size_t>(row) < sheet.Count())
            return QString::fromStdString(sheet.Files()[sheet.ItemAt(static_cast<size_t>(row))]);
        return {};
    default:
        return {};
    }
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const int row = index.row();
    if (role != Qt::EditRole || !index.isValid() || row >= rowCount())
        return false;
    texts_[static_cast<size_t>(row)] = value.toString();
    doc_.SetLabelAt(QObject::parent(), static_cast<size_t>(row), value.toString().toStdString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

Qt::DropActions SheetModel::supportedDropActions() const { return Qt::CopyAction | Qt::MoveAction; }

Qt::DropActions SheetModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

QStringList SheetModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* SheetModel::mimeData(const QModelIndexList& indexes) const
{
    QModelIndexList sorted = indexes;
    std::sort(sorted.begin(), sorted.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList paths;
    QStringList labels;
    const ThumbnailSheet& sheet = doc_.Sheet();
    for (const QModelIndex& index : sorted) {
        const size_t item = sheet.ItemAt(static_cast<size_t>(index.row()));
        paths << QString::fromStdString(sheet.Files()[item]);
        labels << QString::fromStdString(sheet.Labels()[item]);
    }
    return MakeSheetDragData(paths, labels);
}

void SheetModel::ItemRemoved(int position)
{
    if (position < 0 || position >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), position, position);
    texts_.erase(texts_.begin() + position);
    pictures_.clear();
    ForgetSharp();
    endRemoveRows();
}

void SheetModel::ItemChanged(int position)
{
    const ThumbnailSheet& sheet = doc_.Sheet();
    if (position < 0 || position >= rowCount() || static_cast<size_t>(position) >= sheet.Count())
        return;
    const quint32 item = sheet.ItemAt(static_cast<size_t>(position));
    texts_[static_cast<size_t>(position)] = QString::fromStdString(ThumbnailSheet::FileNameOf(sheet.Files()[item]));
    sharp_.remove(item);
    askedSharp_.remove(item);
    const QModelIndex at = index(position);
    emit dataChanged(at, at);
}

void SheetModel::ItemInserted(int position)
{
    const ThumbnailSheet& sheet = doc_.Sheet();
    if (sheet.Count() == 0 || position < 0 || position > rowCount())
        return;
    beginInsertRows(QModelIndex(), position, position);
    texts_.insert(texts_.begin() + position, QString::fromStdString(sheet.Labels()[sheet.Count() - 1]));
    // Items keep their indices, the rows after move on: requests carry old rows.
    askedSharp_.clear();
    sharpMaker_->Forget();
    endInsertRows();
}

void SheetModel::RefreshAll()
{
    const ThumbnailSheet& sheet = doc_.Sheet();
    pictures_.clear();
    ForgetSharp();
    if (texts_.size() != sheet.Count()) {
        beginResetModel();
        texts_.clear();
        for (size_t p = 0; p < sheet.Count(); ++p)
            texts_.push_back(QString::fromStdString(sheet.Labels()[sheet.ItemAt(p)]));
        endResetModel();
        return;
    }
    for (size_t p = 0; p < sheet.Count(); ++p)
        texts_[p] = QString::fromStdString(sheet.Labels()[sheet.ItemAt(p)]);
    if (!texts_.empty())
        emit dataChanged(index(0), index(rowCount() - 1));
}

}  // namespace pix
