#include "sheetsui/CThumbnailDoc.h"

#include <QDir>

#include "app/CPixadromeApp.h"
#include "app/CProgressDlg.h"
#include "common/Prompter.h"
#include "platform/FileTypeIcon.h"
#include "platform/MemoryStatus.h"
#include "render/ThumbnailPainter.h"
#include "sheets/Fields.h"
#include "sheets/NewSheet.h"

namespace pix {

CThumbnailDoc::CThumbnailDoc() { sheet_.SetLabelExpander(ExpandLabelFields); }

std::unique_ptr<CThumbnailDoc> CThumbnailDoc::FromFiles(CPixadromeApp& app, const QStringList& files)
{
    std::unique_ptr<CThumbnailDoc> doc(new CThumbnailDoc);
    std::vector<std::string> paths;
    for (const QString& f : files)
        paths.push_back(QDir::toNativeSeparators(f).toStdString());
    const PaintedThumbnailMaker painter(FileTypeIcon);
    CProgressDlg progress(app.MainWindow());
    PrefetchingThumbnailMaker maker(painter, paths, progress);
    if (!MakeNewSheet(doc->sheet_, paths, app.Settings(), AvailableMemory(), maker, progress, app.Prompt()))
        return nullptr;
    return doc;
}

std::unique_ptr<CThumbnailDoc> CThumbnailDoc::FromFile(CPixadromeApp& app, const QString& path)
{
    std::unique_ptr<CThumbnailDoc> doc(new CThumbnailDoc);
    if (!doc->sheet_.Load(QDir::toNativeSeparators(path).toStdString())) {
        app.Prompt().Show(MsgId::SheetDamaged, {QDir::toNativeSeparators(path).toStdString()});
        return nullptr;
    }
    doc->path_ = path;
    return doc;
}

QImage ThumbnailImage(const ThumbnailList& list, size_t k)
{
    const auto pixels = list.Picture(k);
    const int cx = static_cast<int>(list.Cx());
    const int cy = static_cast<int>(list.Cy());
    QImage image(cx, cy, QImage::Format_ARGB32);
    for (int y = 0; y < cy; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < cx; ++x) {
            const uint8_t* p = pixels.data() + 3 * (static_cast<size_t>(y) * cx + x);
            row[x] = IsMaskPixel(p) ? qRgba(0, 0, 0, 0) : qRgb(p[0], p[1], p[2]);
        }
    }
    return image;
}

CThumbnailView::CThumbnailView(std::unique_ptr<CThumbnailDoc> doc, QWidget* parent)
    : QListWidget(parent), doc_(std::move(doc))
{
    setViewMode(QListView::IconMode);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setWordWrap(true);
    Refresh();
}

void CThumbnailView::Refresh()
{
    clear();
    const ThumbnailSheet& sheet = doc_->Sheet();
    const ThumbnailList& pictures = sheet.Thumbnails();
    setIconSize(QSize(static_cast<int>(pictures.Cx()), static_cast<int>(pictures.Cy())));
    const auto& settings = sheet.Settings();
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(settings.bgC & 0xFF, (settings.bgC >> 8) & 0xFF, (settings.bgC >> 16) & 0xFF));
    setPalette(p);
    for (size_t position = 0; position < sheet.Count(); ++position) {
        const uint32_t item = sheet.ItemAt(position);
        auto* entry = new QListWidgetItem(QString::fromStdString(sheet.Labels()[item]), this);
        if (item < pictures.Count())
            entry->setIcon(QIcon(QPixmap::fromImage(ThumbnailImage(pictures, item))));
        entry->setToolTip(QString::fromStdString(sheet.Files()[item]));
    }
}

}  // namespace pix
