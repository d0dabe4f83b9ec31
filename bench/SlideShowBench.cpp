// The slide show on 20 photographs of bench/make_photo_set.sh (12 MP
// JPEG), offscreen, in a view of 1280 x 960, one run:
//   advance_ui_ms_max       the window thread's longest stall while the
//                           show steps through the photographs   (< 16)
//   prefetched_next_ms_max  Page Down to the new slide painted, the
//                           slide decoded ahead                   (< 16)
//   resampled_after_ms      Page Down to the resampled copy painted, the
//                           worst photograph                      (<= full_decode_ms)
//   full_decode_ms          decoding that photograph in this process
//   auto_stall_ms_max       the longest stall of a 1 ms probe while the
//                           show runs automatically at 10 ms      (< 16)
// Prints name=value lines; fails when a figure misses its target.
//
// Usage: pix_slide_bench FOLDER_OF_PHOTOS
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>

#include "StallProbe.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "app/DocTemplates.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "image/CImageBuffer.h"
#include "render/FormatList.h"
#include "sheetsui/CThumbnailView.h"
#include "slideui/CSlideView.h"
#include "slideui/CSlideWindow.h"
#include "uiservices/FileChooser.h"

#include "GuiBench.h"

namespace {

using pix::bench::SilentPrompter;
using pix::bench::Until;

double Ms(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e6; }

void PageDown(QWidget* view)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
}

}  // namespace

int main(int argc, char** argv)
{
    pix::bench::GuiBenchHome dir;
    QApplication qapp(argc, argv);
    pix::RegisterFormats();
    const QStringList photos = pix::bench::PhotoArgument(argc, argv, "pix_slide_bench", 2);
    if (photos.isEmpty())
        return 2;

    pix::MemorySettingsStore settings;
    SilentPrompter prompter;
    pix::DialogFileChooser files(prompter);
    pix::CPixadromeApp app(settings, prompter, files);
    app.Start({});
    app.MainFrame()->resize(1600, 1250);
    pix::CChildFrame* sheet = app.NewSheetFromFiles(photos, QStringLiteral("Photos"));
    if (!sheet)
        return 2;
    qobject_cast<pix::CThumbnailView*>(sheet->widget())->OnSlideShow();
    pix::CSlideView* view = app.MainFrame()->ActiveSlideView();
    QWidget* frame = view->parentWidget()->parentWidget();  // the child frame around the slide window
    // The view's client area at 1280 x 960.
    for (int i = 0; i < 3; ++i) {
        frame->resize(frame->size() + QSize(1280, 960) - view->viewport()->size());
        QApplication::processEvents();
    }
    std::printf("view=%dx%d photos=%lld\n", view->viewport()->width(), view->viewport()->height(),
                static_cast<long long>(photos.size()));
    Until([&] { return !view->Decoding() && view->PaintedResampled(); });

    // Through the photographs, each decoded ahead before the key.
    double nextMax = 0, resampledMax = 0;
    int worst = 0;
    const qint64 advanceStall = pix::bench::LongestStall([&] {
        for (int i = 1; i < photos.size(); ++i) {
            Until([&] { return view->SlideReady(i); });
            QElapsedTimer clock;
            clock.start();
            double painted = -1;
            const auto shown = QObject::connect(view, &pix::CSlideView::painted, [&] {
                if (painted < 0 && view->ShownIndex() == i)
                    painted = Ms(clock);
            });
            PageDown(view);
            Until([&] { return painted >= 0; });
            nextMax = std::max(nextMax, painted);
            Until([&] { return view->PaintedResampled(); });
            if (Ms(clock) > resampledMax) {
                resampledMax = Ms(clock);
                worst = i;
            }
            QObject::disconnect(shown);
        }
    });

    double decodeMs = 0;
    {
        pix::CImageBuffer warm;
        warm.Load(photos[worst].toStdString());
        QElapsedTimer clock;
        clock.start();
        pix::CImageBuffer picture;
        picture.Load(photos[worst].toStdString());
        decodeMs = Ms(clock);
    }

    // Automatic at 10 ms, twice through the photographs.
    int steps = 0;
    QObject::connect(view, &pix::CSlideView::slideShown, [&] { ++steps; });
    qobject_cast<pix::CSlideWindow*>(view->parentWidget())->DelaySpin()->setValue(1);
    const qint64 autoStall = pix::bench::LongestStall([&] {
        view->OnAutomatic();
        Until([&] { return steps >= 2 * photos.size(); });
        view->OnAutomatic();
    });

    bool ok = true;
    const auto report = [&](const char* name, double value, bool met) {
        std::printf("%s=%.1f%s\n", name, value, met ? "" : "  (missed)");
        ok = ok && met;
    };
    report("advance_ui_ms_max", double(advanceStall), advanceStall < 16);
    report("prefetched_next_ms_max", nextMax, nextMax < 16);
    report("resampled_after_ms", resampledMax, resampledMax <= decodeMs);
    report("full_decode_ms", decodeMs, true);
    report("auto_stall_ms_max", double(autoStall), autoStall < 16);
    std::printf("auto_steps=%d\n", steps);
    return ok ? 0 : 1;
}
