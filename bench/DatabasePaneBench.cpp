// The database pane and its commands on a database of 10^6 records (the
// photos shape of GeneratedDatabase.h), offscreen, beside a 2 MB JPEG
// whose file the database knows:
//   first fill    showing the pane until its tree is filled  (< 400 ms)
//   tick          a tick until the tree shows it             (< 50 ms)
//   stall         the window thread's longest stall while another thread
//                 holds the database lock and the pane follows a new
//                 file                                       (< 16 ms)
//   auto fill-in  the pane's Auto Fill-in                    (< 1 s)
//   add           the attribute dialog's Add on a quarter of the files
//                                                            (< 1 s)
//   locate        with a folder of pictures given: Locate on them, all
//                 moved, in the progress window, against cksum on the
//                 same files in the same run                 (< 1.5 ×)
// Prints each figure; fails when one misses its target.
//
// Usage: pix_db_pane_bench [folder of pictures]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidgetItem>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "GeneratedDatabase.h"
#include "StallProbe.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "database/DatabaseAccess.h"
#include "database/Maintenance.h"
#include "database/Attributes.h"
#include "dbui/AttributeSnapshot.h"
#include "dbui/AttributeTree.h"
#include "dbui/CAttributeDlg.h"
#include "dbui/CSplitterPane.h"
#include "dbui/DatabaseCommands.h"
#include "image/CImageBuffer.h"
#include "render/FormatList.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"

#include "GuiBench.h"

namespace {

using pix::bench::SilentPrompter;

bool failed = false;

void Report(const char* what, double value, double target, const char* unit)
{
    const bool ok = value < target;
    failed = failed || !ok;
    std::printf("%-14s %8.1f %s  (target < %g %s)%s\n", what, value, unit, target, unit, ok ? "" : "  MISSED");
}

// Runs the event loop until done() holds; the milliseconds it took.
template <typename Done>
double Until(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(clock.nsecsElapsed()) / 1e6;
}

std::string WriteJpeg(const pix::bench::GuiBenchHome& dir, const char* name, uint32_t seed)
{
    pix::CImageBuffer picture;
    picture.Create(2600, 2000);
    uint32_t v = seed;
    for (uint32_t y = 0; y < picture.Height(); ++y)
        for (uint32_t x = 0; x < picture.Width(); ++x) {
            v = v * 1664525u + 1013904223u;
            picture.SetPixel(x, y, uint8_t(x + (v >> 26)), uint8_t(y + (v >> 20 & 63)), uint8_t((x ^ y) + (v >> 14 & 63)));
        }
    const std::string path = dir.filePath(name).toStdString();
    SilentPrompter prompter;
    picture.Save(path);
    return path;
}

void PaneFigures(pix::CPixadromeApp& app, const pix::bench::GuiBenchHome& dir)
{
    pix::CMainFrame& main = *app.MainFrame();
    const std::string photo = WriteJpeg(dir, "photo.jpg", 1);
    const std::string other = WriteJpeg(dir, "other.jpg", 2);
    app.OpenImageWindow(QString::fromStdString(photo));
    std::printf("beside a %.1f MB JPEG\n", double(QFileInfo(QString::fromStdString(photo)).size()) / 1e6);

    QElapsedTimer clock;
    clock.start();
    {
        pix::CImageDatabase db;  // what the first fill spends loading
        db.Load(app.Database().ConfiguredPath());
        std::printf("%-14s %8.1f ms\n", "(load)", double(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        SilentPrompter silent;
        const std::string key = pix::ContentKey(photo);
        pix::RegisterFile(db, photo, key, false, silent);
        std::printf("%-14s %8.1f ms\n", "(register)", double(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        pix::ReadAttributeTree(db, key);
        std::printf("%-14s %8.1f ms\n", "(tree)", double(clock.nsecsElapsed()) / 1e6);
    }
    clock.restart();
    clock.restart();
    main.ShowDatabasePane(true);
    pix::CSplitterPane& pane = *main.DatabasePane();
    Until([&] { pane.Tick(); return !pane.WorkerRunning() && pane.CurrentFile() == photo; });
    Report("first fill", double(clock.nsecsElapsed()) / 1e6, 400, "ms");

    pix::AttributeTree& tree = *pane.Tree();
    QTreeWidgetItem* blue = tree.Find({"Colour", "Blue"});
    if (!blue) {
        std::fprintf(stderr, "no Colour/Blue node\n");
        failed = true;
        return;
    }
    clock.restart();
    blue->setCheckState(0, Qt::Checked);
    Until([&] { return blue->font(0).bold(); });
    Report("tick", double(clock.nsecsElapsed()) / 1e6, 50, "ms");

    // Another thread holds the lock while the pane follows a new file.
    std::thread holder([] {
        std::lock_guard lock(pix::DatabaseMutex());
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    app.OpenImageWindow(QString::fromStdString(other));
    const double stall = double(pix::bench::LongestStall([&] {
        Until([&] { return !pane.WorkerRunning() && pane.CurrentFile() == other; });
    }));
    holder.join();
    Report("stall", stall, 16, "ms");

    clock.restart();
    pane.AutoFillButton()->click();
    Report("auto fill-in", double(clock.nsecsElapsed()) / 1e6, 1000, "ms");
    main.ShowDatabasePane(false);

    pix::CImageDatabase* db = nullptr;
    {
        std::lock_guard lock(pix::DatabaseMutex());
        db = app.Database().AcquireDatabase();
    }
    {
        pix::CAttributeDlg dialog(app, *db);
        dialog.Tree()->Find({"Colour", "Red"})->setCheckState(0, Qt::Checked);
        clock.restart();
        dialog.Button(QStringLiteral("&Add"))->click();
        Report("add", double(clock.nsecsElapsed()) / 1e6, 1000, "ms");
    }
    app.Database().ReleaseDatabase();
}

// Locate on the pictures of folder, all moved, against cksum on them.
void LocateFigures(pix::CPixadromeApp& app, const QString& folder, const std::string& dbPath)
{
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        files << QDir(folder).filePath(name);
    pix::CImageDatabase db;
    for (const QString& file : files)  // reads them into the page cache too
        db.Append({pix::ContentKey(file.toStdString()), "path", "/moved/away/" + QFileInfo(file).fileName().toStdString()});
    db.Save(dbPath);
    app.Database().ChangeDatabase(dbPath);

    QElapsedTimer clock;
    clock.start();
    QProcess cksum;
    cksum.setStandardOutputFile(QProcess::nullDevice());
    cksum.start(QStringLiteral("cksum"), files);
    cksum.waitForFinished(-1);
    const double theirs = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    {
        pix::CProgressDlg progress(app.MainWindow());
        pix::LocateMovedFiles(app, files, progress);
    }
    const double ours = double(clock.nsecsElapsed()) / 1e6;
    std::printf("locate %lld files: %.0f ms, cksum %.0f ms\n", static_cast<long long>(files.size()), ours, theirs);
    Report("locate/cksum", ours / theirs, 1.5, "x");
}

}  // namespace

int main(int argc, char** argv)
{
    pix::bench::GuiBenchHome dir;
    QApplication qapp(argc, argv);
    pix::RegisterFormats();

    const std::string dbPath = dir.filePath("pixadrome.db").toStdString();
    {
        pix::CImageDatabase db;
        pix::bench::Generate(db, 1000000, pix::bench::kPhotos);
        db.Save(dbPath);
    }
    pix::MemorySettingsStore settings;
    settings.SetString("Settings", "dbpath", dbPath);
    SilentPrompter prompter;
    pix::DialogFileChooser files(prompter);
    pix::CPixadromeApp app(settings, prompter, files);
    app.Start({});
    app.MainFrame()->resize(1000, 700);
    PaneFigures(app, dir);
    if (argc > 1)
        LocateFigures(app, QString::fromLocal8Bit(argv[1]), dir.filePath("located.db").toStdString());
    return failed ? 1 : 0;
}
