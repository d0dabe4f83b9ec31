// The contact-sheet window, offscreen. Prints name=value lines, then fails
// when a figure misses its target:
//   10,000 items (80 x 80 pictures, files of varied sizes):
//     view_ready_ms        the window shown and painted once        (< 50)
//     listwidget_fill_ms   anchor: a QListWidget filled with every
//                          item's icon and label, painted once
//     page_scroll_ms       the slowest page step and its repaint     (< 16)
//     sort_<key>_ms        each sort, the list repainted             (< 50)
//     view_bytes_per_item  heap the window takes beyond the pictures (< 1024)
//   with a folder of photographs given (bench/make_photo_set.sh's 200):
//     1,000 names (the folder linked five times):
//       pool_ms            the thumbnails made by the same worker pool alone
//                          (best of three runs around the two windows)
//       open_stall_ms      the window thread's longest stall meanwhile (<= 100)
//       sheet_open_ms      a new sheet until its window exists, best of two
//                                                       (<= 1.05 x pool + 300)
//       progress_gap_ms    the longest time the progress window went
//                          unpainted                                 (<= 100)
//     hover on the first 12 photographs:
//       decode_floor_ms    reading one at 1/8 scale (hints 256 x 256), best of 3
//       preview_ms         resting on its thumbnail until the preview is on
//                          the screen, best of 3     (<= 1.2 x floor + 20)
//       hover_stall_ms     the window thread's longest stall meanwhile (<= 16)
//
// Usage: pix_sheet_bench [folder of photographs [items|names|hover]]
// (the last argument runs that part alone)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <time.h>

#include "StallProbe.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "app/DocTemplates.h"
#include "common/OrderedLoader.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"
#include "render/FormatList.h"
#include "render/ThumbnailPainter.h"
#include "sheets/ThumbnailSheet.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/SheetHoverPreview.h"
#include "sheetsui/SheetModel.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"

#include "GuiBench.h"

namespace {

using pix::bench::SilentPrompter;

bool failed = false;

double Ms(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e6; }

void Figure(const char* name, double value) { std::printf("%s=%.1f\n", name, value); }

void Check(const char* name, double value, double limit)
{
    Figure(name, value);
    if (value > limit) {
        std::printf("MISSED %s: %.1f > %.1f\n", name, value, limit);
        failed = true;
    }
}

size_t HeapInUse() { return mallinfo2().uordblks; }

// CPU time of the calling thread.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Pictures of one colour per item, without reading any file.
class PlainMaker final : public pix::ThumbnailMaker {
public:
    std::vector<uint8_t> MakeThumbnail(const std::string&, uint32_t cx, uint32_t cy, bool) override
    {
        std::vector<uint8_t> picture(size_t{3} * cx * cy);
        for (size_t i = 0; i < picture.size(); ++i)
            picture[i] = uint8_t(i / 3 + n_ * 37 + i % 3 * 80);
        ++n_;
        return picture;
    }

private:
    uint32_t n_ = 0;
};

// Paints counted on a widget.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Paints of the progress window, timed.
class ProgressPaints final : public QObject {
public:
    QElapsedTimer clock;
    std::vector<double> at;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            if (auto* w = qobject_cast<QWidget*>(watched); w && qobject_cast<pix::CProgressDlg*>(w->window()))
                if (at.empty() || Ms(clock) - at.back() > 1)
                    at.push_back(Ms(clock));
        return false;
    }
};

using pix::bench::Until;

// Like Until, sleeping between events (the window thread of a program
// that waits for its user takes no processor from the workers).
template <typename Done>
void Waiting(Done done)
{
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Move(QWidget* w, QPoint p)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void TenThousandItems(pix::CPixadromeApp& app, const pix::bench::GuiBenchHome& dir)
{
    constexpr size_t kItems = 10000;
    std::vector<std::string> paths;
    uint32_t v = 12345;
    for (size_t i = 0; i < kItems; ++i) {
        v = v * 1664525u + 1013904223u;
        const std::string path = dir.filePath(QStringLiteral("f%1_%2.jpg").arg(v % 9973).arg(i)).toStdString();
        std::ofstream(path) << std::string(v >> 22, 'x');
        paths.push_back(path);
    }
    const std::string pxc = dir.filePath(QStringLiteral("big.pxc")).toStdString();
    {
        pix::ThumbnailSheet sheet;
        PlainMaker maker;
        pix::NullProgress progress;
        if (!sheet.FillFromFiles(paths, 80, maker, progress) || !sheet.Save(pxc)) {
            std::printf("could not make the sheet of %zu items\n", kItems);
            failed = true;
            return;
        }
    }
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<pix::CThumbnailDoc> doc = pix::CThumbnailDoc::FromFile(app, QString::fromStdString(pxc));
    Figure("read_pxc_ms", Ms(clock));
    if (!doc) {
        failed = true;
        return;
    }
    const pix::ThumbnailList& pictures = doc->Sheet().Thumbnails();

    // Anchor: every item's icon and label in a QListWidget.
    {
        clock.restart();
        QListWidget list;
        list.setViewMode(QListView::IconMode);
        list.setIconSize(QSize(80, 80));
        for (size_t p = 0; p < kItems; ++p) {
            const uint32_t item = doc->Sheet().ItemAt(p);
            list.addItem(new QListWidgetItem(QIcon(QPixmap::fromImage(pix::ThumbnailImage(pictures, item))),
                                             QString::fromStdString(doc->Sheet().Labels()[item])));
        }
        list.resize(800, 600);
        list.show();
        list.viewport()->repaint();
        Figure("listwidget_fill_ms", Ms(clock));
    }

    QApplication::processEvents();
    const size_t heap = HeapInUse();
    PaintCounter painted;
    clock.restart();
    pix::CChildFrame* frame = pix::ShowSheetView(app, *doc.release());
    auto* view = qobject_cast<pix::CThumbnailView*>(frame->widget());
    view->viewport()->installEventFilter(&painted);
    Until([&] { return painted.paints > 0; });
    Check("view_ready_ms", Ms(clock), 50);
    frame->showMaximized();
    QApplication::processEvents();

    // Pages down to the end: the slowest step.
    QScrollBar* bar = view->verticalScrollBar();
    double slowest = 0;
    int pages = 0;
    while (bar->value() < bar->maximum() && pages < 400) {
        clock.restart();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        view->viewport()->repaint();
        slowest = std::max(slowest, Ms(clock));
        ++pages;
    }
    Figure("pages", pages);
    Check("page_scroll_ms", slowest, 16);
    // The pictures kept by then are pictures; the rest is the window's.
    const double pictureBytes = double(view->Model().CachedPictureBytes());
    Figure("cached_picture_kib", pictureBytes / 1024);
    Check("view_bytes_per_item", (double(HeapInUse()) - double(heap) - pictureBytes) / kItems, 1024);

    const std::pair<pix::SortKey, const char*> keys[] = {
        {pix::SortKey::Label, "sort_label_ms"},       {pix::SortKey::FileName, "sort_name_ms"},
        {pix::SortKey::Path, "sort_path_ms"},         {pix::SortKey::Size, "sort_size_ms"},
        {pix::SortKey::Created, "sort_created_ms"},   {pix::SortKey::Modified, "sort_modified_ms"},
    };
    for (const auto& [key, name] : keys) {
        clock.restart();
        view->OnSort(key);
        view->viewport()->repaint();
        Check(name, Ms(clock), 50);
    }
    view->Document().SetModifiedFlag(false);
    frame->close();
    QApplication::processEvents();
}

// The pictures of paths made by the worker pool a new sheet uses, alone:
// the time, and the longest wait for the next picture.
std::pair<double, double> PoolTime(const std::vector<std::string>& paths)
{
    const pix::PaintedThumbnailMaker painter;
    pix::NullProgress progress;
    QElapsedTimer clock;
    clock.start();
    double last = 0;
    double gap = 0;
    pix::OrderedLoader<std::optional<std::vector<uint8_t>>> pool(
        paths.size(), [&](size_t i) { return painter.PaintPicture(paths[i], 80, 80); });
    for (size_t i = 0; i < paths.size(); ++i) {
        (void)pool.Take(i, progress);
        gap = std::max(gap, Ms(clock) - last);
        last = Ms(clock);
    }
    return {Ms(clock), gap};
}

void ThousandNames(pix::CPixadromeApp& app, const pix::bench::GuiBenchHome& dir, const QStringList& photos)
{
    QStringList files;
    std::vector<std::string> paths;
    for (int copy = 0; copy < 5; ++copy) {
        const QString folder = dir.filePath(QStringLiteral("link%1").arg(copy));
        QDir().mkpath(folder);
        for (const QString& photo : photos) {
            const QString link = folder + QLatin1Char('/') + QFileInfo(photo).fileName();
            QFile::link(photo, link);
            files << link;
            paths.push_back(link.toStdString());
        }
    }
    Figure("names", double(files.size()));
    // Pool, window, pool, window, pool: the best of each, against drift in
    // the machine's load; the stalls and gaps of both windows.
    double pool = 1e12, open = 1e12, poolGap = 0, stall = 0, gap = 0, cpu = 0;
    size_t paintCount = 0;
    for (int round = 0;; ++round) {
        const auto [poolTime, poolPictureGap] = PoolTime(paths);  // the first also fills the page cache
        pool = std::min(pool, poolTime);
        poolGap = std::max(poolGap, poolPictureGap);
        if (round == 2)
            break;
        ProgressPaints paints;
        qApp->installEventFilter(&paints);
        paints.clock.start();
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = ThreadCpuMs();
        pix::CChildFrame* frame = nullptr;
        stall = std::max(stall, double(pix::bench::LongestStall([&] {
                                    frame = app.NewSheetFromFiles(files, QString());
                                })));
        open = std::min(open, Ms(clock));
        cpu = std::max(cpu, ThreadCpuMs() - cpuBefore);
        qApp->removeEventFilter(&paints);
        for (size_t i = 1; i < paints.at.size(); ++i)
            gap = std::max(gap, paints.at[i] - paints.at[i - 1]);
        paintCount = paints.at.size();
        if (frame) {
            qobject_cast<pix::CThumbnailView*>(frame->widget())->Document().SetModifiedFlag(false);
            frame->close();
        }
        QApplication::processEvents();
    }
    Figure("pool_ms", pool);
    Figure("pool_picture_gap_ms", poolGap);
    Figure("open_window_thread_cpu_ms", cpu);
    Check("open_stall_ms", stall, 100);
    Check("sheet_open_ms", open, 1.05 * pool + 300);
    Figure("progress_paints", double(paintCount));
    Check("progress_gap_ms", gap, 100);
}

void Hover(pix::CPixadromeApp& app, const QStringList& photos)
{
    constexpr int kRounds = 3;
    const QStringList files = photos.mid(0, 12);
    double floor = 0;
    for (const QString& file : files) {
        double best = 1e9;
        for (int run = 0; run < kRounds; ++run) {
            QElapsedTimer clock;
            clock.start();
            pix::CImageBuffer buffer;
            buffer.Load(file.toStdString(), 256, 256);
            best = std::min(best, Ms(clock));
        }
        floor += best / double(files.size());
    }
    Figure("decode_floor_ms", floor);

    pix::CChildFrame* frame = app.NewSheetFromFiles(files, QString());
    if (!frame) {
        failed = true;
        return;
    }
    frame->showMaximized();
    auto* view = qobject_cast<pix::CThumbnailView*>(frame->widget());
    view->clearSelection();
    QApplication::processEvents();
    QWidget* list = view->viewport();
    pix::SheetHoverPreview& preview = view->Preview();
    const int rows = view->model()->rowCount();
    std::vector<double> best(size_t(rows), 1e9);
    double total = 0;
    const double stall = double(pix::bench::LongestStall([&] {
        for (int round = 0; round < kRounds; ++round)
            for (int row = 0; row < rows; ++row) {
                const QPoint at = view->PictureRect(view->model()->index(row, 0)).center();
                Move(list, at);
                QElapsedTimer clock;
                clock.start();
                Move(list, at + QPoint(1, 0));
                Waiting([&] { return preview.Shown(); });
                QApplication::processEvents();  // its first picture painted
                const double ms = Ms(clock);
                total += ms;
                best[size_t(row)] = std::min(best[size_t(row)], ms);
                Waiting([&] { return preview.Side() == 255; });
                Move(list, QPoint(list->width() - 2, list->height() - 2));
                Waiting([&] { return !preview.Visible(); });
            }
    }));
    Figure("preview_mean_ms", total / double(rows * kRounds));
    double bestMean = 0;
    for (double b : best)
        bestMean += b / double(rows);
    Check("preview_ms", bestMean, 1.2 * floor + 20);
    Check("hover_stall_ms", stall, 16);
    view->Document().SetModifiedFlag(false);
    frame->close();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    pix::bench::GuiBenchHome dir;
    QApplication qapp(argc, argv);
    pix::RegisterFormats();

    pix::MemorySettingsStore settings;
    // Pictures made from the files every time, as the pool alone makes them.
    settings.SetInt("Thumbnails", "UseDesktopCache", 0);
    SilentPrompter prompter;
    pix::DialogFileChooser files(prompter);
    pix::CPixadromeApp app(settings, prompter, files);
    app.Start({});
    app.MainFrame()->resize(1000, 700);

    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const auto part = [&](const char* name) { return only.isEmpty() || only == QLatin1String(name); };
    if (part("items"))
        TenThousandItems(app, dir);
    if (argc > 1) {
        QStringList photos;
        const QDir folder(QString::fromLocal8Bit(argv[1]));
        for (const QString& name : folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
            photos << folder.filePath(name);
        if (photos.size() >= 12) {
            if (part("names"))
                ThousandNames(app, dir, photos);
            if (part("hover"))
                Hover(app, photos);
        } else {
            std::printf("no photographs in %s\n", argv[1]);
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
