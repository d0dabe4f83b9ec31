#include "sheetsui/CThumbnailView.h"

#include "render/ImageConversion.h"

namespace pix {

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
