#include <QAction>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/DocTemplates.h"
#include "processing/SlideScaler.h"
#include "render/ImageConversion.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "slideui/CSlideView.h"
#include "slideui/CSlideWindow.h"

namespace pix::test {
namespace {

using SlideShow = AppTest;

// Runs the event loop until done() holds (at most 20 s).
template <typename Done>
bool Until(Done done)
{
    for (int i = 0; i < 4000 && !done(); ++i)
        QTest::qWait(5);
    return done();
}

struct Show {
    CThumbnailView* sheet = nullptr;
    CSlideView* view = nullptr;
    CSlideWindow* window = nullptr;
    bool Shown() { return Until([this] { return !view->Decoding(); }); }
    QString FileShown() { return QFileInfo(view->Caption().section(QStringLiteral(" - "), -1)).fileName(); }
};

// A slide show of a sheet of files in dir: name → picture, or bytes that
// read as nothing.
Show StartShow(RunningApp& app, const TempDir& dir, const std::vector<std::pair<std::string, CImageBuffer>>& files)
{
    QStringList paths;
    for (const auto& [name, picture] : files) {
        if (picture.IsEmpty()) {
            QFile f(Q(dir.File(name)));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("\xFF\xD8 not a picture");
            paths << Q(dir.File(name));
        } else {
            paths << Q(WritePicture(dir, name, picture));
        }
    }
    Show show;
    CChildFrame* frame = app.app->NewSheetFromFiles(paths, QStringLiteral("Sheet"));
    show.sheet = frame ? qobject_cast<CThumbnailView*>(frame->widget()) : nullptr;
    if (!show.sheet)
        return show;
    show.sheet->OnSlideShow();
    show.view = app.Main().ActiveSlideView();
    if (show.view) {
        show.window = qobject_cast<CSlideWindow*>(show.view->parentWidget());
        show.Shown();
    }
    return show;
}

QStringList Visit(Show& s, const std::function<void()>& step, int times)
{
    QStringList out;
    for (int i = 0; i < times; ++i) {
        step();
        s.Shown();
        out << s.view->StatusText();
    }
    return out;
}

TEST_F(SlideShow, StepsWrapAndTellSizeOrNoImageAndALeftClickOpensTheSlide)
{
    Show s = StartShow(app, dir, {{"a.bmp", Gradient(400, 300)}, {"b.jpg", {}}, {"c.bmp", Gradient(20, 10)}});
    ASSERT_TRUE(s.view);
    EXPECT_EQ(s.view->StatusText(), "1 of 3 - 400x300");
    EXPECT_EQ(s.view->Caption(), "Sheet - " + Q(dir.File("a.bmp")));
    EXPECT_EQ(app.app->ViewedFile(), dir.File("a.bmp"));
    const auto key = [&](Qt::Key k) { return [&s, k] { QTest::keyClick(s.view, k); }; };
    EXPECT_EQ(Visit(s, key(Qt::Key_PageDown), 3),
              QStringList({"2 of 3 - no image", "3 of 3 - 20x10", "1 of 3 - 400x300"}));
    EXPECT_EQ(Visit(s, key(Qt::Key_PageUp), 2), QStringList({"3 of 3 - 20x10", "2 of 3 - no image"}));
    EXPECT_EQ(Visit(s, key(Qt::Key_Right), 1), QStringList({"3 of 3 - 20x10"}));
    EXPECT_EQ(Visit(s, key(Qt::Key_Left), 1), QStringList({"2 of 3 - no image"}));
    // Nothing but black for a file that does not read.
    const QImage black = s.view->viewport()->grab().toImage();
    EXPECT_EQ(black.pixelColor(black.width() / 2, black.height() / 2), QColor(Qt::black));
    EXPECT_EQ(app.Main().StatusPaneText(), "2 of 3 - no image");
    EXPECT_EQ(Visit(s, key(Qt::Key_End), 1), QStringList({"3 of 3 - 20x10"}));
    EXPECT_FALSE(s.view->Action("slideLast")->isEnabled());
    EXPECT_EQ(Visit(s, key(Qt::Key_Home), 1), QStringList({"1 of 3 - 400x300"}));
    EXPECT_FALSE(s.view->Action("slideFirst")->isEnabled());

    // A left click opens the slide, but not the click that closes the menu.
    std::unique_ptr<QMenu> menu(s.view->MakeContextMenu(nullptr));
    EXPECT_EQ(menu->defaultAction(), s.view->Action("slideOpen"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), s.view->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(s.view->viewport(), &event);
    auto* popup = s.view->findChild<QMenu*>();
    ASSERT_TRUE(popup);
    const int windows = app.WindowCount();
    popup->hide();
    QTest::mouseClick(s.view->viewport(), Qt::LeftButton);
    EXPECT_EQ(app.WindowCount(), windows);
    QTest::qWait(1);
    QTest::mouseClick(s.view->viewport(), Qt::LeftButton);
    EXPECT_EQ(app.WindowCount(), windows + 1);
}

TEST_F(SlideShow, PaintsTheSlideCentredInBlackThenResampledOrScrollsItFullSize)
{
    const CImageBuffer slide = Noise(1200, 300, 5);
    Show s = StartShow(app, dir, {{"a.bmp", slide}});
    ASSERT_TRUE(s.view);
    Until([&] { return s.view->PaintedResampled() || (s.view->viewport()->grab(), false); });
    // In the screen's own pixels, at any scale factor.
    const QImage shot = s.view->viewport()->grab().toImage();
    const QSize client = s.view->viewport()->size() * shot.devicePixelRatio();
    const SlideSize fit = FitSlide(client.width(), client.height(), 1200, 300);
    ASSERT_EQ(fit.width, static_cast<uint32_t>(client.width()));
    const int top = (client.height() - static_cast<int>(fit.height)) / 2;
    ASSERT_GT(top, 0);
    EXPECT_EQ(shot.pixelColor(client.width() / 2, top - 1), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(client.width() / 2, top + static_cast<int>(fit.height)), QColor(Qt::black));
    QImage resampled = ToQImage(slide.ResizedCopy(fit.width, fit.height)).convertToFormat(shot.format());
    resampled.setDevicePixelRatio(shot.devicePixelRatio());
    EXPECT_EQ(shot.copy(0, top, static_cast<int>(fit.width), static_cast<int>(fit.height)), resampled);

    s.view->Action("slideFit")->trigger();
    const int beyond = std::max(0, 1200 - client.width());  // none at 200 %: the window is 1484 pixels wide
    EXPECT_EQ(s.view->horizontalScrollBar()->maximum(), beyond);
    EXPECT_EQ(s.view->verticalScrollBar()->maximum(), 0);
    // A slide wider than the window: Right scrolls it instead of stepping.
    QTest::keyClick(s.view, Qt::Key_Right);
    EXPECT_EQ(s.view->horizontalScrollBar()->value() > 0, beyond > 0);
}

TEST_F(SlideShow, TheTimerWaitsForEachSlideAndSettingsAreReadClampedAndWritten)
{
    app.settings.SetInt("Slides", "Spd", 5);
    app.settings.SetInt("Slides", "Stf", 0);
    Show s = StartShow(app, dir, {{"a.bmp", Gradient(8, 8)}, {"b.bmp", Gradient(9, 8)}, {"c.bmp", Gradient(10, 8)}});
    ASSERT_TRUE(s.view);
    EXPECT_EQ(s.view->Delay(), 10);
    EXPECT_FALSE(s.view->SizeToFit());
    EXPECT_EQ(s.view->focusWidget(), s.view);
    s.window->DelaySpin()->setValue(250);
    EXPECT_EQ(s.view->Delay(), 2500);
    s.window->DelaySpin()->setValue(1);
    EXPECT_EQ(s.view->Delay(), 10);
    QList<int> shown;
    QObject::connect(s.view, &CSlideView::slideShown, [&] { shown << s.view->ShownIndex(); });
    QTest::keyClick(s.view, Qt::Key_Space);
    Until([&] { return shown.size() >= 7; });
    QTest::keyClick(s.view, Qt::Key_Space);
    EXPECT_FALSE(s.view->Automatic());
    EXPECT_EQ(shown.mid(0, 7), QList<int>({1, 2, 0, 1, 2, 0, 1}));
    s.view->Action("slideRandom")->trigger();
    s.window->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(app.settings.GetInt("Slides", "Spd", 0), 10);
    EXPECT_EQ(app.settings.GetInt("Slides", "Stf", 1), 0);
    EXPECT_EQ(app.settings.GetInt("Slides", "Rnd", 0), 1);
}

// Changes of the sheet keep the show on its item, or show what stands at
// its position when the item went.
TEST_F(SlideShow, HintsKeepTheItemOrShowWhatStandsInItsPlace)
{
    Show s = StartShow(app, dir, {{"a.bmp", Gradient(8, 8)}, {"b.bmp", Gradient(9, 8)}, {"c.bmp", Gradient(10, 8)},
                                  {"d.bmp", Gradient(11, 8)}});
    ASSERT_TRUE(s.view);
    CThumbnailDoc& doc = s.sheet->Document();
    const struct {
        std::function<void()> change;
        int index;
        QString file;
    } steps[] = {
        {[&] { s.view->OnLast(); }, 3, "d.bmp"},
        {[&] { s.view->OnPrevious(); }, 2, "c.bmp"},
        {[&] { doc.RemoveAt(s.sheet, 0); }, 1, "c.bmp"},
        {[&] { doc.InsertFiles(s.sheet, {Q(dir.File("a.bmp"))}, 1, {}); }, 2, "c.bmp"},
        {[&] { QTest::keyClick(s.view, Qt::Key_Delete); }, 2, "d.bmp"},
        {[&] { s.sheet->setCurrentIndex(s.sheet->model()->index(0, 0)); }, 0, "b.bmp"},
        {[&] { doc.RemoveAt(s.sheet, 0); }, 0, "a.bmp"},
        {[&] { doc.ApplyOrder(s.sheet, {0, 1}); }, 0, "d.bmp"},
    };
    for (const auto& step : steps) {
        step.change();
        s.Shown();
        EXPECT_EQ(s.view->Index(), step.index) << step.file.toStdString();
        EXPECT_EQ(s.FileShown(), step.file);
    }
    EXPECT_EQ(s.view->StatusText(), "1 of 2 - 11x8");
    doc.RemoveAt(s.sheet, 1);
    doc.RemoveAt(s.sheet, 0);
    EXPECT_EQ(s.view->Caption(), "Sheet");
    EXPECT_EQ(app.app->ViewedFile(), "");
    const QImage shot = s.view->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(Qt::black));
}

TEST_F(SlideShow, FileCommandsActOnTheSlideAndItsPlace)
{
    Show s = StartShow(app, dir, {{"a.bmp", Gradient(8, 8)}, {"b.bmp", Gradient(9, 8)}});
    ASSERT_TRUE(s.view);
    app.files.saves = {Q(dir.File("copy.bmp")), Q(dir.File("moved.bmp"))};
    // File commands run once the handler that asked has returned.
    s.view->Action("slideCopy")->trigger();
    QCoreApplication::processEvents();
    s.Shown();
    EXPECT_EQ(s.FileShown(), "copy.bmp");
    s.view->Action("slideMove")->trigger();
    QCoreApplication::processEvents();
    s.Shown();
    EXPECT_EQ(s.FileShown(), "moved.bmp");
    EXPECT_EQ(app.files.titles, QStringList({"Copy: Choose new directory", "Move: Choose new directory"}));
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("copy.bmp"))));

    app.prompter.script = {Answer::Yes};
    QTest::keyClick(s.view, Qt::Key_Backspace);
    s.Shown();
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("moved.bmp"))));
    EXPECT_EQ(s.FileShown(), "b.bmp");
    EXPECT_EQ(s.view->StatusText(), "1 of 1 - 9x8");
}

// Closing the show while it decodes and resamples waits for both; nothing
// reaches the window after.
TEST_F(SlideShow, RapidStepsAndResizesThenClosingMidWork)
{
    Show s = StartShow(app, dir, {{"a.bmp", Noise(4000, 3000, 1)}, {"b.bmp", Gradient(300, 200)}});
    ASSERT_TRUE(s.view);
    for (int i = 0; i < 200; ++i) {
        i % 3 ? s.view->OnNext() : s.view->OnPrevious();
        s.window->parentWidget()->resize(300 + i, 300);
        QCoreApplication::processEvents();
    }
    s.view->OnFirst();
    s.Shown();
    s.window->parentWidget()->resize(700, 500);
    s.window->parentWidget()->close();
    QTest::qWait(50);
    EXPECT_EQ(app.Main().ActiveSlideView(), nullptr);
}

TEST(SlideSwitch, ShowsAnOpenedSheetOnly)
{
    TempDir dir;
    WritePattern(dir, "a.bmp", 8, 8);
    for (const auto& [path, slides] : {std::pair{dir.File(""), true}, std::pair{dir.File("a.bmp"), false}}) {
        MemorySettingsStore settings;
        RecordingPrompter prompter;
        ScriptedFileChooser files;
        CPixadromeApp app(settings, prompter, files);
        StartOptions options;
        options.slideShow = true;
        options.paths = {Q(path)};
        ASSERT_TRUE(app.Start(options));
        EXPECT_EQ(app.MainFrame()->ActiveSlideView() != nullptr, slides) << path;
    }
}

}  // namespace
}  // namespace pix::test
