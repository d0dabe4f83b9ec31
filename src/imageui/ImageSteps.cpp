#include "imageui/ImageSteps.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <utility>

#include "image/FormatTable.h"
#include "imageui/CPixadromeDoc.h"
#include "uiservices/WaitCursor.h"

namespace pix {

namespace {

QString Absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

// The files of folder a reader takes by their name, in name order as the
// sheet sorts names.
QStringList PicturesOf(const QString& folder)
{
    QStringList pictures;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files)
        if (FormatForPath(file.fileName().toStdString()))
            pictures << file.absoluteFilePath();
    return pictures;
}

}  // namespace

ImageSteps::ImageSteps(CPixadromeDoc& doc) : doc_(doc), loader_([] {}) {}

void ImageSteps::SetOrder(QStringList order)
{
    for (QString& path : order)
        path = Absolute(path);
    ownOrder_ = !order.isEmpty();
    listed_ = ownOrder_;
    order_ = std::move(order);
    current_ = -1;
}

const QStringList& ImageSteps::Order()
{
    if (!listed_ && !doc_.PathName().isEmpty()) {
        order_ = PicturesOf(QFileInfo(doc_.PathName()).absolutePath());
        listed_ = true;
        current_ = -1;
    }
    return order_;
}

int ImageSteps::Position()
{
    if (doc_.PathName().isEmpty())
        return -1;
    const QString here = Absolute(doc_.PathName());
    if (current_ >= 0 && current_ < order_.size() && order_[current_] == here)
        return current_;
    current_ = static_cast<int>(Order().indexOf(here));
    if (current_ < 0 && !ownOrder_) {
        // Files came or went since the folder was listed.
        listed_ = false;
        current_ = static_cast<int>(Order().indexOf(here));
    }
    return current_;
}

bool ImageSteps::Ready(int delta)
{
    const int here = Position();
    const int there = here + delta;
    if (here < 0 || there < 0 || there >= order_.size())
        return false;
    const SlideLoader::Picture picture = loader_.Find(order_[there].toStdString());
    return picture && !picture->IsEmpty();
}

void ImageSteps::Prefetch()
{
    const int here = Position();
    std::vector<std::string> wanted;
    for (int there : {here + 1, here - 1})
        if (here >= 0 && there >= 0 && there < order_.size())
            wanted.push_back(order_[there].toStdString());
    loader_.Want(std::move(wanted));
}

void ImageSteps::Release() { loader_.Want({}); }

bool ImageSteps::Step(int delta)
{
    const int here = Position();
    return here >= 0 && ShowFrom(here + delta, delta > 0 ? 1 : -1);
}

bool ImageSteps::StepToEnd(bool last)
{
    if (Position() < 0)
        return false;
    return last ? ShowFrom(static_cast<int>(order_.size()) - 1, -1) : ShowFrom(0, 1);
}

std::optional<CImageBuffer> ImageSteps::Decode(const QString& path)
{
    if (std::optional<CImageBuffer> ready = loader_.Take(path.toStdString()))
        return ready;
    WaitCursor wait;
    CImageBuffer picture;
    if (picture.Load(path.toStdString()) != LoadResult::Loaded)
        return std::nullopt;
    return picture;
}

bool ImageSteps::ShowFrom(int position, int direction)
{
    const int here = Position();
    if (position < 0 || position >= order_.size() || position == here)
        return false;
    const bool clean = !doc_.IsModified();
    if (!doc_.SaveModified())
        return false;
    for (; position >= 0 && position < order_.size() && position != here; position += direction) {
        std::optional<CImageBuffer> picture = Decode(order_[position]);
        if (!picture)
            continue;
        const QString left = doc_.PathName();
        CImageBuffer before = doc_.ReplacePicture(order_[position], std::move(*picture));
        current_ = position;
        // The picture left, as its file gave it, stays at hand for a step back.
        if (clean)
            loader_.Put(left.toStdString(), std::move(before));
        Prefetch();
        return true;
    }
    return false;
}

}  // namespace pix
