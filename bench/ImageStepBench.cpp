// An image window stepping through the 20 photographs of
// bench/make_photo_set.sh (12 MP JPEG), offscreen, the window's view at
// 1280 x 960, one run:
//   prefetched_step_ms_max  Right to the next photograph painted, that
//                           photograph decoded ahead                (< 16)
//   prefetched_step_ms_mean the same, on average
//   back_step_ms_max        Left to the photograph just left painted  (< 16)
//   sharpen_stall_ms        the window thread's longest stall from the last
//                           step until the sharp fitted copy is painted
// Prints name=value lines; fails when a figure misses its target.
//
// Usage: pix_image_step_bench FOLDER_OF_PHOTOS
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <algorithm>
#include <cstdio>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "common/SettingsStore.h"
#include "imageui/CPixadromeDoc.h"
#include "imageui/CPixadromeView.h"
#include "render/FormatList.h"
#include "uiservices/FileChooser.h"

#include "GuiBench.h"
#include "StallProbe.h"

namespace {

using pix::bench::Until;

// A key to the view and the frame it then paints, in milliseconds.
double KeyToPainted(pix::CPixadromeView* view, Qt::Key key)
{
    QElapsedTimer clock;
    clock.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    view->viewport()->repaint();
    return double(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    pix::bench::GuiBenchHome dir;
    QApplication qapp(argc, argv);
    pix::RegisterFormats();
    const QStringList photos = pix::bench::PhotoArgument(argc, argv, "pix_image_step_bench", 3);
    if (photos.isEmpty())
        return 2;

    pix::MemorySettingsStore settings;
    pix::bench::SilentPrompter prompter;
    pix::DialogFileChooser files(prompter);
    pix::CPixadromeApp app(settings, prompter, files);
    app.Start({});
    app.MainFrame()->resize(1600, 1250);
    app.MainFrame()->show();
    pix::CChildFrame* frame = app.OpenPathFrom(photos.front(), photos);
    if (!frame)
        return 2;
    auto* view = qobject_cast<pix::CPixadromeView*>(frame->widget());
    frame->showNormal();
    for (int i = 0; i < 3; ++i) {
        frame->resize(frame->size() + QSize(1280, 960) - view->viewport()->size());
        QApplication::processEvents();
    }
    std::printf("view=%dx%d photos=%lld\n", view->viewport()->width(), view->viewport()->height(),
                static_cast<long long>(photos.size()));

    double stepMax = 0, stepSum = 0, backMax = 0;
    for (int i = 1; i < photos.size(); ++i) {
        Until([&] { return view->Steps().Ready(1); });
        const double step = KeyToPainted(view, Qt::Key_Right);
        if (view->Document().PathName() != photos[i]) {
            std::fprintf(stderr, "step %d showed %s\n", i, qPrintable(view->Document().PathName()));
            return 1;
        }
        stepMax = std::max(stepMax, step);
        stepSum += step;
        if (i % 5 == 0) {
            // Back to the one just left and forward again.
            backMax = std::max(backMax, KeyToPainted(view, Qt::Key_Left));
            Until([&] { return view->Steps().Ready(1); });
            KeyToPainted(view, Qt::Key_Right);
        }
    }

    const qint64 sharpen = pix::bench::LongestStall([&] { Until([&] { return view->PaintedResampled(); }); });

    bool ok = true;
    const auto report = [&](const char* name, double value, bool met) {
        std::printf("%s=%.1f%s\n", name, value, met ? "" : "  (missed)");
        ok = ok && met;
    };
    report("prefetched_step_ms_max", stepMax, stepMax < 16);
    report("prefetched_step_ms_mean", stepSum / double(photos.size() - 1), true);
    report("back_step_ms_max", backMax, backMax < 16);
    report("sharpen_stall_ms", double(sharpen), true);
    return ok ? 0 : 1;
}
