// The real windows used for a long while, offscreen, under the address and
// undefined-behaviour checkers: image windows, sheet windows with sorts and
// hover previews, a slide show, the database pane and full screen, round
// after round. Nothing may go wrong, nothing may leak, and the heap the
// process uses at the end stays within 10 % of what it used after the
// first round. Not part of `make test` (`make soak`; SOAK_ROUNDS rounds,
// 10 by default, each a tenth of the whole).

#include <QPixmapCache>
#include <QTest>
#include <malloc.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "AppTestSupport.h"
#include "dbui/CSplitterPane.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/SheetHoverPreview.h"
#include "slideui/CSlideView.h"

namespace pix::test {
namespace {

// The heap in use, in kB: what the program holds, not what the allocator
// keeps in reserve (the address checker's allocator and glibc's arenas hold
// freed memory back, so resident memory swings by a fifth between rounds).
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIX_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(PIX_SOAK_ASAN)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

long HeapInUseKb()
{
#if defined(__SANITIZE_ADDRESS__) || defined(PIX_SOAK_ASAN)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    // Large blocks come from mmap until one is freed, then (glibc raises its
    // threshold) from the arena: only both together are the heap in use.
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
#endif
}

template <typename Done>
bool Until(Done done, int ms = 20000)
{
    return QTest::qWaitFor(done, ms);
}

void CloseAll(RunningApp& app)
{
    for (CChildFrame* c : app.Main().Children())
        if (auto* v = app.ViewOf(c))
            v->Document().SetModifiedFlag(false);
    app.Main().Action("closeAll")->trigger();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(app.WindowCount(), 0);
}

// One round: a tenth of the whole soak.
void Round(RunningApp& app, const QStringList& pictures, const QStringList& sheetFiles)
{
    // 20 image windows, opened and closed, with an edit each.
    for (int i = 0; i < 20; ++i) {
        CChildFrame* frame = app.app->OpenImageWindow(pictures[i % pictures.size()]);
        ASSERT_NE(frame, nullptr);
        app.ViewOf(frame)->Document().OnFlipVertical();
        CloseAll(app);
    }
    // 20 sheet windows of 500 items: every sort, a hover preview.
    for (int i = 0; i < 20; ++i) {
        CChildFrame* frame = app.app->NewSheetFromFiles(sheetFiles, QString());
        auto* view = frame ? qobject_cast<CThumbnailView*>(frame->widget()) : nullptr;
        ASSERT_NE(view, nullptr);
        for (SortKey key : {SortKey::Label, SortKey::FileName, SortKey::Path, SortKey::Size, SortKey::Created,
                            SortKey::Modified})
            view->OnSort(key);
        view->clearSelection();
        const QPoint at = view->PictureRect(view->model()->index(i, 0)).center();
        MoveWith(view->viewport(), Qt::NoButton, at);
        MoveWith(view->viewport(), Qt::NoButton, at + QPoint(1, 1));
        EXPECT_TRUE(Until([&] { return view->Preview().Shown(); }, 5000));
        if (i == 0) {
            // 100 slide steps on the first sheet.
            view->OnSlideShow();
            CSlideView* slides = app.Main().ActiveSlideView();
            ASSERT_NE(slides, nullptr);
            for (int step = 0; step < 100; ++step) {
                slides->Action("slideNext")->trigger();
                ASSERT_TRUE(Until([&] { return !slides->Decoding(); }));
            }
        }
        CloseAll(app);
    }
    // 100 database pane switches over an image, 5 full-screen toggles.
    app.app->OpenImageWindow(pictures.front());
    for (int i = 0; i < 100; ++i)
        app.Main().ShowDatabasePane(!app.Main().DatabasePane());
    for (int i = 0; i < 10; ++i)
        app.Main().ToggleFullScreen();
    CloseAll(app);
}

TEST(Soak, RoundAfterRoundNothingGrows)
{
    TempDir dir;
    DatabaseApp app;
    QStringList pictures, sheetFiles;
    for (int i = 0; i < 8; ++i)
        pictures << Q(WritePattern(dir, "p" + std::to_string(i) + ".bmp", 200 + 10 * i, 150));
    for (int i = 0; i < 500; ++i)
        sheetFiles << pictures[i % pictures.size()];
    // Qt's styles keep the pixmaps they draw in a cache of 10 MB that fills
    // over several rounds, and clearing it leaves its keys behind until a
    // timer runs: with no room in it, what grows is the program's own.
    QPixmapCache::setCacheLimit(0);
    const int asked = qEnvironmentVariableIntValue("SOAK_ROUNDS");
    const int rounds = asked >= 2 ? asked : 10;
    long afterFirst = 0;
    for (int round = 1; round <= rounds && !::testing::Test::HasFatalFailure(); ++round) {
        Round(app, pictures, sheetFiles);
        const long now = HeapInUseKb();
        if (round == 1)
            afterFirst = now;
        std::printf("round %d: %ld kB\n", round, now);
        std::fflush(stdout);
    }
    EXPECT_LE(HeapInUseKb(), afterFirst + afterFirst / 10);
}

}  // namespace
}  // namespace pix::test
