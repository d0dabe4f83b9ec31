#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/CJpegDialog.h"
#include "imageui/CPixadromeDoc.h"
#include "image/JpegCodec.h"

namespace pix::test {
namespace {

TEST(JpegDialog, ShowsQualityAndSizeAndOkWritesExactlyTheShownFile)
{
    TempDir dir;
    RecordingPrompter prompter;
    const CImageBuffer picture = Gradient(200, 150);
    const QString target = Q(dir.File("out.jpg"));
    CJpegDialog dialog(&picture, target, 75, prompter);
    EXPECT_EQ(dialog.QualityText(), QStringLiteral("75%"));
    const QString temp = dialog.TemporaryPath();
    ASSERT_TRUE(QFileInfo(temp).fileName().startsWith(QStringLiteral("pxc")));
    EXPECT_EQ(dialog.SizeText(), QStringLiteral("%1 byte").arg(QFileInfo(temp).size()));
    EXPECT_EQ(dialog.Preview().Width(), 200u);

    // Slider position 100 is quality 0, position 0 quality 100.
    dialog.SetSliderPosition(100);
    EXPECT_EQ(dialog.Quality(), 0);
    const qint64 smallest = QFileInfo(temp).size();
    dialog.SetSliderPosition(0);
    EXPECT_EQ(dialog.QualityText(), QStringLiteral("100%"));
    EXPECT_GT(QFileInfo(temp).size(), smallest);
    dialog.SetSliderPosition(40);
    const QByteArray shown = [&] {
        QFile f(temp);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    dialog.accept();
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), shown);
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(JpegDialog, CancelLeavesTheTargetUntouchedAndNoTemporaryFile)
{
    TempDir dir;
    RecordingPrompter prompter;
    const CImageBuffer picture = Gradient(40, 30);
    WriteAll(dir.File("keep.jpg"), {1, 2, 3});
    CJpegDialog dialog(&picture, Q(dir.File("keep.jpg")), 75, prompter);
    const QString temp = dialog.TemporaryPath();
    ASSERT_TRUE(QFileInfo::exists(temp));
    dialog.reject();
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(ReadAll(dir.File("keep.jpg")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(JpegDialog, PanningStaysInsideThePreview)
{
    RecordingPrompter prompter;
    const CImageBuffer picture = Gradient(900, 700);
    CJpegDialog dialog(&picture, QString(), 75, prompter);
    dialog.show();
    QWidget* frame = nullptr;
    for (QWidget* w : dialog.findChildren<QWidget*>())
        if (w->minimumWidth() == 320 && w->minimumHeight() == 240)
            frame = w;
    ASSERT_NE(frame, nullptr);
    QTest::mousePress(frame, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 150), frame->mapToGlobal(QPointF(100, 150)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &move);
    EXPECT_EQ(dialog.PanOffset(), QPoint(100, 50));
    QMouseEvent far(QEvent::MouseMove, QPointF(-5000, -5000), frame->mapToGlobal(QPointF(-5000, -5000)),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &far);
    EXPECT_EQ(dialog.PanOffset(), QPoint(900 - frame->width(), 700 - frame->height()));
    dialog.reject();
}

TEST(ImageDocument, SavingUnderAJpegNameGoesThroughTheDialog)
{
    TempDir dir;
    RunningApp app;
    CChildFrame* frame = app.app->OpenPath(Q(WritePattern(dir, "a.bmp", 16, 16)));
    CPixadromeDoc& doc = app.ViewOf(frame)->Document();
    QStringList asked;
    bool accept = false;
    app.app->SetJpegSaver([&](const CImageBuffer& image, const QString& path) {
        asked << path;
        return accept && WriteJpeg(image, path.toStdString(), 75, app.prompter);
    });
    EXPECT_FALSE(doc.SaveDocument(Q(dir.File("a.jpg"))));  // cancelled: nothing saved
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("a.jpg"))));
    EXPECT_EQ(app.WindowCount(), 1);
    accept = true;
    EXPECT_TRUE(doc.SaveDocument(Q(dir.File("a.jpg"))));
    EXPECT_EQ(asked, (QStringList{Q(dir.File("a.jpg")), Q(dir.File("a.jpg"))}));
    EXPECT_EQ(app.WindowCount(), 2);  // the written file opens in its own window
}

}  // namespace
}  // namespace pix::test
