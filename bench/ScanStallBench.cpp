// How long the window's thread stalls while the scan window acquires one
// large colour page (2550 × 3300, 762 dpi, from the scanner library's test
// device) and opens it as a new image: the longest gap between the ticks
// of a 1 ms timer, from the click on Scan until the page's window has been
// painted. Prints the figures; fails above 50 ms.
//
// Usage: pix_scan_stall [runs]  (default 5; the worst run counts)
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "imageui/CPixadromeDoc.h"
#include "imageui/CPixadromeView.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "render/FormatList.h"
#include "scanui/CScanDialog.h"
#include "uiservices/FileChooser.h"
#include "StallProbe.h"

#include "GuiBench.h"

namespace {

// Answers every question with OK and counts them.
class CountingPrompter final : public pix::Prompter {
public:
    int count = 0;
    pix::Answer Present(const pix::MessageEntry&, const std::string& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
        return pix::Answer::Ok;
    }
};

// The test device, set to send the large colour page.
void UseLargeTestPage(const pix::bench::GuiBenchHome& dir)
{
    std::ofstream(dir.filePath("dll.conf").toStdString()) << "test\n";
    std::ifstream in("/etc/sane.d/test.conf");
    std::ofstream out(dir.filePath("test.conf").toStdString());
    out << in.rdbuf() << "\nmode Color\nresolution 762\nbr_x 85\nbr_y 110\ntest-picture \"Color pattern\"\n";
    qputenv("SANE_CONFIG_DIR", dir.path().toUtf8());
}

// The longest gap between ticks while one page is scanned and opened.
qint64 OneRun(pix::CPixadromeApp& app, pix::CScanDialog& dialog)
{
    const int windows = app.MainFrame()->Children().size();
    QElapsedTimer clock;
    qint64 opened = 0;
    const qint64 longest = pix::bench::LongestStall([&] {
        clock.start();
        dialog.ScanButton()->click();
        while (!dialog.Ready() || app.MainFrame()->Children().size() == windows)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        app.MainFrame()->repaint();  // the new window, painted
        opened = clock.elapsed();
        QApplication::processEvents();
    });
    const pix::CImageBuffer& page = app.MainFrame()->ActiveImageView()->Document().Image();
    std::printf("%u x %u page opened after %lld ms, longest stall %lld ms\n", page.Width(), page.Height(),
                static_cast<long long>(opened), static_cast<long long>(longest));
    return longest;
}

}  // namespace

int main(int argc, char** argv)
{
    pix::bench::GuiBenchHome home;
    UseLargeTestPage(home);
    QApplication qapp(argc, argv);
    pix::RegisterFormats();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    pix::MemorySettingsStore settings;
    CountingPrompter prompter;
    pix::DialogFileChooser files(prompter);
    pix::CPixadromeApp app(settings, prompter, files);
    app.Start({});
    app.MainFrame()->resize(1000, 700);
    pix::CScanDialog dialog(app, app.MainFrame());
    dialog.KeepOpen()->setChecked(true);
    dialog.show();
    while (!dialog.Ready() && prompter.count == 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    qint64 worst = 0;
    for (int run = 0; run < runs && prompter.count == 0; ++run)
        worst = std::max(worst, OneRun(app, dialog));
    std::printf("worst stall %lld ms (target 50 ms)\n", static_cast<long long>(worst));
    return prompter.count == 0 && worst <= 50 ? 0 : 1;
}
