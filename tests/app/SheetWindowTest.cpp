#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/DocTemplates.h"
#include "sheets/SheetUpdateHint.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CFormatDlg.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/FormatCommands.h"
#include "sheetsui/SheetDrag.h"
#include "sheetsui/SheetHoverPreview.h"
#include "sheetsui/SheetModel.h"
#include "render/ImageConversion.h"
#include "render/ThumbnailPainter.h"

namespace pix::test {
namespace {

struct OpenedSheet {
    CChildFrame* frame;
    CThumbnailView* view;
    CThumbnailDoc& Doc() { return view->Document(); }
    const ThumbnailSheet& Sheet() { return view->Document().Sheet(); }
    // The file names in display order.
    QStringList Names()
    {
        QStringList out;
        for (size_t p = 0; p < Sheet().Count(); ++p)
            out << QFileInfo(Q(Sheet().Files()[Sheet().ItemAt(p)])).fileName();
        return out;
    }
    QStringList Texts()
    {
        QStringList out;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            out << view->model()->index(r, 0).data().toString();
        return out;
    }
    void Select(const std::vector<int>& rows)
    {
        view->clearSelection();
        for (int r : rows)
            view->selectionModel()->select(view->model()->index(r, 0), QItemSelectionModel::Select);
    }
};

using SheetWindow = AppTest;
using SheetSaveAs = AppTest;
using SheetFormat = AppTest;

// A drop of a drag out of a sheet, which proposes a move unless Ctrl is held.
struct ProposedDrop : QDropEvent {
    ProposedDrop(QPoint at, const QMimeData* data, Qt::KeyboardModifiers keys)
        : QDropEvent(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, keys)
    {
        m_defaultAction = m_dropAction = (keys & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
    }
};

// A sheet of pictures named by names (each of a distinct size) in dir.
OpenedSheet OpenSheet(RunningApp& app, const TempDir& dir, const QStringList& names)
{
    QStringList files;
    uint32_t side = 8;
    for (const QString& name : names)
        files << Q(WritePattern(dir, name.toStdString(), side++, 8));
    CChildFrame* frame = app.app->NewSheetFromFiles(files, QString());
    EXPECT_NE(frame, nullptr);
    return {frame, frame ? qobject_cast<CThumbnailView*>(frame->widget()) : nullptr};
}

TEST_F(SheetWindow, SortsAlternateByKeyWithDirectionsSharedByWindows)
{
    OpenedSheet a = OpenSheet(app, dir, {"b.bmp", "C.bmp", "a.bmp"});
    OpenedSheet b = OpenSheet(app, dir, {"y.bmp", "x.bmp"});
    ASSERT_TRUE(a.view && b.view);
    struct Step {
        OpenedSheet* window;
        SortKey key;
        QStringList expected;
    };
    const std::vector<Step> steps{
        {&a, SortKey::Label, {"a.bmp", "b.bmp", "C.bmp"}},
        {&a, SortKey::Label, {"C.bmp", "b.bmp", "a.bmp"}},
        {&b, SortKey::Label, {"x.bmp", "y.bmp"}},  // the third use: ascending again
        {&a, SortKey::Path, {"a.bmp", "b.bmp", "C.bmp"}},  // each key has its own direction
    };
    for (const Step& s : steps) {
        s.window->view->OnSort(s.key);
        EXPECT_EQ(s.window->Names(), s.expected);
        EXPECT_EQ(s.window->Texts(), s.expected);
    }
    EXPECT_TRUE(a.Doc().IsModified());
}

TEST_F(SheetWindow, KeysRemoveItemsOrTrashTheirFilesAfterOneQuestion)
{
    OpenedSheet s = OpenSheet(app, dir, {"0.bmp", "1.bmp", "2.bmp", "3.bmp", "4.bmp"});
    ASSERT_TRUE(s.view);
    s.Select({1, 2, 3});
    QTest::keyClick(s.view, Qt::Key_Delete);
    EXPECT_EQ(s.Names(), QStringList({"0.bmp", "4.bmp"}));
    EXPECT_EQ(s.view->model()->rowCount(), 2);
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("2.bmp"))));

    app.prompter.script = {Answer::Yes};
    const int asked = app.prompter.ShownCount();
    QTest::keyClick(s.view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(s.view, Qt::Key_Backspace);
    EXPECT_EQ(app.prompter.ShownCount(), asked + 1);
    EXPECT_EQ(s.Sheet().Count(), 0u);
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("0.bmp"))));
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("4.bmp"))));
}

TEST_F(SheetWindow, CopiedAndMovedItemsFollowOnlyFilesThatArrived)
{
    OpenedSheet s = OpenSheet(app, dir, {"a.bmp", "b.bmp"});
    ASSERT_TRUE(s.view);
    std::filesystem::create_directory(dir.File("out"));
    WritePattern(dir, "out/b.bmp", 3, 3);

    // Chosen in the context menu: copying pumps events while the menu
    // closes and goes, so the copy runs once the menu's key handler has
    // returned.
    ASSERT_TRUE(app.ShowActive());
    const QPoint at = s.view->PictureRect(s.view->model()->index(0, 0)).center();
    QTest::mouseClick(s.view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QContextMenuEvent right(QContextMenuEvent::Mouse, at, s.view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(s.view->viewport(), &right);  // what the window system sends
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    bool inMenuHandler = true;
    std::optional<bool> askedInHandler;
    app.files.onAsk = [&] { askedInHandler = inMenuHandler; };
    app.files.saves = {Q(dir.File("out/renamed.bmp"))};
    QTest::keyClick(menu, Qt::Key_Y);
    inMenuHandler = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return askedInHandler.has_value(); }, 5000));
    EXPECT_FALSE(*askedInHandler);
    app.files.onAsk = nullptr;
    EXPECT_EQ(s.Texts().value(0), QStringLiteral("renamed.bmp"));
    EXPECT_EQ(s.Names().value(0), QStringLiteral("renamed.bmp"));
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("a.bmp"))));

    // Both into "out2", where b.bmp exists: that overwrite is declined,
    // the other file moves.
    std::filesystem::create_directory(dir.File("out2"));
    WritePattern(dir, "out2/b.bmp", 3, 3);
    s.Select({0, 1});
    app.files.saves = {Q(dir.File("out2/multiple"))};
    app.prompter.script = {Answer::No};
    s.view->OnMoveFiles();
    EXPECT_EQ(app.files.titles.back(), QStringLiteral("Move: Choose new directory"));
    EXPECT_EQ(s.Names().value(0), QStringLiteral("renamed.bmp"));
    EXPECT_EQ(Q(s.Sheet().Files()[s.Sheet().ItemAt(0)]), Q(dir.File("out2/renamed.bmp")));
    EXPECT_EQ(Q(s.Sheet().Files()[s.Sheet().ItemAt(1)]), Q(dir.File("b.bmp")));
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("b.bmp"))));
    EXPECT_EQ(s.Texts().value(1), QStringLiteral("b.bmp"));
    app.Main().Action("closeAll")->trigger();
    EXPECT_EQ(app.WindowCount(), 0);
}

// Text is refused; files from a file manager are copied in, never moved.
// (Items from a sheet: the drag out of a sheet.)
TEST_F(SheetWindow, DropsOfTextAreRefusedAndFilesFromAFileManagerCopied)
{
    OpenedSheet b = OpenSheet(app, dir, {"b1.bmp"});
    ASSERT_TRUE(b.view);
    auto drop = [&](const QMimeData& data) {
        const QPoint at = b.view->visualRect(b.view->model()->index(0, 0)).center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(b.view->viewport(), &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(b.view->viewport(), &dropped);
        return dropped.dropAction();
    };
    QMimeData text;
    text.setText(QStringLiteral("no files"));
    EXPECT_EQ(drop(text), Qt::IgnoreAction);
    QMimeData shell;
    shell.setUrls({QUrl::fromLocalFile(Q(dir.File("b1.bmp")))});
    EXPECT_EQ(drop(shell), Qt::CopyAction);
    EXPECT_EQ(b.Sheet().Count(), 2u);
}

TEST_F(SheetWindow, DraggingOutCarriesFilesAndLabelsAndAMoveTakesTheItems)
{
    OpenedSheet a = OpenSheet(app, dir, {"a1.bmp", "a2.bmp", "a3.bmp"});
    OpenedSheet b = OpenSheet(app, dir, {"b1.bmp"});
    ASSERT_TRUE(a.view && b.view);
    a.Doc().SetLabelAt(nullptr, 2, "third");
    a.Doc().UpdateAllViews(nullptr, kHintRefreshAll);
    struct Case {
        std::vector<int> rows;
        Qt::KeyboardModifiers keys;  // held at the drop
        QStringList leftInA;
        QStringList inB;
        bool image;  // a drag image for one item
        bool workspace = false;  // dropped on the main window's workspace: it opens, the item stays
    };
    const std::vector<Case> cases{
        {{1, 2}, Qt::NoModifier, {"a1.bmp"}, {"a2.bmp", "third", "b1.bmp"}, false},
        {{0}, Qt::ControlModifier, {"a1.bmp"}, {"a1.bmp", "a2.bmp", "third", "b1.bmp"}, true},
        {{0}, Qt::NoModifier, {"a1.bmp"}, {"a1.bmp", "a2.bmp", "third", "b1.bmp"}, true, true},
    };
    for (const Case& c : cases) {
        a.Select(c.rows);
        QStringList paths;
        for (int r : c.rows)
            paths << Q(a.Sheet().Files()[a.Sheet().ItemAt(static_cast<size_t>(r))]);
        a.view->SetDragRunner([&](QDrag& drag) {
            const QMimeData* data = drag.mimeData();
            QStringList urls;
            for (const QUrl& url : data->urls())
                urls << url.toLocalFile();
            EXPECT_EQ(urls, paths);
            EXPECT_TRUE(data->hasFormat("text/uri-list"));
            EXPECT_EQ(!drag.pixmap().isNull(), c.image);
            if (c.image) {
                EXPECT_EQ(drag.hotSpot(), QPoint(drag.pixmap().width() / 2, drag.pixmap().height() / 2));
            }
            QWidget* target = c.workspace ? app.Main().MdiArea()->viewport() : b.view->viewport();
            const QPoint at = c.workspace ? QPoint(2, 2) : b.view->visualRect(b.view->model()->index(0, 0)).center();
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, c.keys);
            QApplication::sendEvent(target, &enter);
            ProposedDrop drop(at, data, c.keys);
            QApplication::sendEvent(target, &drop);
            return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        });
        // A press on a selected picture and moves beyond the drag distance.
        const QPoint from = a.view->PictureRect(a.view->model()->index(*c.rows.begin(), 0)).center();
        QTest::mousePress(a.view->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        for (int step = 1; step <= 2; ++step)
            MoveWith(a.view->viewport(), Qt::LeftButton, from + QPoint(step * QApplication::startDragDistance(), 0));
        QTest::mouseRelease(a.view->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        EXPECT_EQ(a.Texts(), c.leftInA);
        EXPECT_EQ(b.Texts(), c.inB);
        if (c.workspace) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return app.Main().FindImageWindow(paths.front()) != nullptr; }, 5000));
        }
    }
}

TEST(HoverPreview, GrowsOnARestedPictureAndLeavesThePixelsAsTheyWere)
{
    struct Case {
        int size;
        bool selected;
        bool shown;
        bool pressToRemove;  // else the mouse leaves the item
    };
    for (const Case& c : {Case{80, false, true, false}, Case{80, false, true, true}, Case{80, true, false, false},
                          Case{300, false, false, false}}) {
        TempDir dir;
        RunningApp app;
        app.settings.SetInt("Thumbnails", "TmbSiz", c.size);
        OpenedSheet s = OpenSheet(app, dir, {"a.bmp", "b.bmp"});
        ASSERT_TRUE(s.view);
        s.Select({});
        if (c.selected)
            s.Select({0});
        QWidget* list = s.view->viewport();
        SheetHoverPreview& preview = s.view->Preview();
        const QImage before = list->grab().toImage();
        const QPoint at = s.view->PictureRect(s.view->model()->index(0, 0)).center();
        MoveWith(list, Qt::NoButton, at);
        MoveWith(list, Qt::NoButton, at + QPoint(1, 1));
        if (!c.shown) {
            EXPECT_FALSE(preview.Waiting() || preview.Visible()) << c.size;
            continue;
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return preview.Shown() && preview.Side() == 255; }, 5000));
        EXPECT_NE(list->grab().toImage(), before);
        if (c.pressToRemove) {
            QTest::mousePress(list, Qt::RightButton, Qt::NoModifier, at);
            EXPECT_FALSE(preview.Visible());
            QTest::mouseRelease(list, Qt::RightButton, Qt::NoModifier, at);
            continue;
        }
        MoveWith(list, Qt::NoButton, QPoint(list->width() - 2, list->height() - 2));
        EXPECT_TRUE(preview.Visible());  // wiped away, not at once
        ASSERT_TRUE(QTest::qWaitFor([&] { return !preview.Visible(); }, 5000));
        EXPECT_EQ(list->grab().toImage(), before);
    }
}

TEST_F(SheetWindow, ASecondViewFollowsEveryHintOfTheFirst)
{
    OpenedSheet s = OpenSheet(app, dir, {"c.bmp", "a.bmp", "b.bmp"});
    ASSERT_TRUE(s.view);
    CChildFrame* second = ShowSheetView(*app.app, s.Doc());
    auto* other = qobject_cast<CThumbnailView*>(second->widget());
    OpenedSheet t{second, other};
    const std::vector<std::function<void()>> changes{
        [&] { s.view->OnSort(SortKey::FileName); },
        [&] { s.Select({0}); QTest::keyClick(s.view, Qt::Key_Delete); },
        [&] { s.Doc().InsertFiles(nullptr, {Q(dir.File("a.bmp"))}, 1, {QStringLiteral("again")}); },
        [&] { app.files.saves = {Q(dir.File("copy.bmp"))}; s.Select({0}); s.view->OnCopyFiles(); },
    };
    for (const auto& change : changes) {
        change();
        EXPECT_EQ(t.Texts(), s.Texts());
        EXPECT_EQ(t.view->StatusText(), s.view->StatusText());
    }
    s.Doc().Sheet().Settings().bgC = 0x0000FF;
    s.Doc().FormatChanged(s.view);
    EXPECT_EQ(t.view->palette().color(QPalette::Base), QColor(Qt::red));
    // The first of two windows closes without a question.
    s.Doc().SetModifiedFlag(true);
    const int asked = app.prompter.ShownCount();
    EXPECT_TRUE(s.frame->close());
    EXPECT_EQ(app.prompter.ShownCount(), asked);
}

// A new sheet window fills the work area until the user drags one to a
// size of their own, which the next one takes; the setting off narrows it
// to two columns.
TEST_F(SheetWindow, ANewSheetWindowFillsTheAreaOrTakesTheSizeTheUserGaveOne)
{
    ASSERT_TRUE(app.ShowActive());
    QWidget* frame = OpenSheet(app, dir, {"a.bmp", "b.bmp"}).view->parentWidget();
    const QSize area = qobject_cast<QMdiSubWindow*>(frame)->mdiArea()->viewport()->size();
    EXPECT_EQ(frame->size(), area);

    // Dragged by its lower right corner.
    const QPoint corner(frame->width() - 2, frame->height() - 2);
    DragFrame(frame, corner, corner - QPoint(200, 100));
    ASSERT_EQ(frame->size(), area - QSize(200, 100));
    EXPECT_EQ(OpenSheet(app, dir, {"c.bmp"}).view->parentWidget()->size(), area - QSize(200, 100));

    app.settings.SetInt("View", "SheetWindowFill", 0);
    EXPECT_LT(OpenSheet(app, dir, {"d.bmp"}).view->parentWidget()->width(), 480);
}

// Above 100 % an item's picture is made again at the screen's resolution;
// at 100 % the stored one shows.
TEST_F(SheetWindow, PicturesAreDrawnFromTheScreensPixels)
{
    const std::string path = WritePicture(dir, "noise.bmp", Noise(300, 200, 3));
    CChildFrame* frame = app.app->NewSheetFromFiles({Q(path)}, QStringLiteral("Noise"));
    auto* view = qobject_cast<CThumbnailView*>(frame->widget());
    ASSERT_NE(view, nullptr);
    const double ratio = view->devicePixelRatioF();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->Model().Picture(0).devicePixelRatio() == ratio; }));
    const auto side = static_cast<uint32_t>(view->Document().Sheet().Thumbnails().Cx() * ratio);  // square
    const auto pixels = PaintedThumbnailMaker().PaintPicture(path, side, side);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(view->Model().Picture(0).toImage().convertToFormat(QImage::Format_ARGB32),
              ListPictureImage(pixels->data(), static_cast<int>(side), static_cast<int>(side)));
}

// The menus, the title and the file the database pane shows follow the
// selection; labels are edited, copied and made again; files are inserted
// at the selection, which opens as a new sheet.
TEST_F(SheetWindow, TheMenusLabelsAndCommandsFollowTheSelection)
{
    OpenedSheet s = OpenSheet(app, dir, {"a.bmp", "b.bmp"});
    ASSERT_TRUE(s.view);
    s.view->clearSelection();
    std::unique_ptr<QMenu> popup(s.view->MakeContextMenu(nullptr));
    EXPECT_EQ(popup->title(), QStringLiteral("2 - Contact Sheet"));
    QStringList disabled;
    for (QAction* a : popup->actions())
        if (!a->isSeparator() && !a->isEnabled())
            disabled << a->text();
    EXPECT_EQ(disabled, QStringList({"&Open", "&Remove", "Cop&y...", "&Move...", "&Delete"}));
    app.Main().UpdateActions();
    EXPECT_FALSE(app.Main().Action("sheetRemove")->isEnabled());
    EXPECT_EQ(app.app->ViewedFile(), std::nullopt);  // what the database pane shows
    s.Select({1});
    EXPECT_TRUE(app.Main().Action("sheetRemove")->isEnabled());
    EXPECT_EQ(s.frame->windowTitle(), s.Doc().Title() + " - " + Q(dir.File("b.bmp")));
    EXPECT_EQ(app.app->ViewedFile(), dir.File("b.bmp"));

    // F2 edits the label, which Esc leaves as it was.
    struct Edit {
        Qt::Key end;
        QString expected;
    };
    for (const Edit& e : {Edit{Qt::Key_Escape, "a.bmp"}, Edit{Qt::Key_Return, "new"}}) {
        s.Select({0});
        s.view->setCurrentIndex(s.view->model()->index(0, 0));
        QTest::keyClick(s.view, Qt::Key_F2);
        auto* editor = s.view->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("new"));
        QTest::keyClick(editor, e.end);
        QCoreApplication::processEvents();  // the edit ends queued
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(Q(s.Sheet().Labels()[s.Sheet().ItemAt(0)]), e.expected);
        EXPECT_EQ(s.Texts().value(0), e.expected);
    }
    EXPECT_TRUE(s.Doc().IsModified());
    s.Select({0, 1});
    QTest::keyClick(s.view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("new\r\nb.bmp\r\n"));
    EXPECT_EQ(s.frame->windowTitle(), s.Doc().Title() + QStringLiteral(" - 2 items selected"));
    EXPECT_EQ(app.app->ViewedFile(), std::nullopt);

    app.files.opens = {{Q(WritePattern(dir, "added.bmp", 5, 5))}};
    s.Select({1});
    s.view->OnInsert();
    EXPECT_EQ(app.files.titles.back(), QStringLiteral("Add one or more files"));
    EXPECT_EQ(s.Names(), QStringList({"a.bmp", "added.bmp", "b.bmp"}));
    EXPECT_EQ(app.settings.GetString("State", "SrcDir", ""), Q(dir.Path().string()).toStdString());
    // Labels made from the names replace the edited ones once confirmed.
    struct Answered {
        Answer answer;
        QString first;
    };
    for (const Answered& a : {Answered{Answer::No, "new"}, Answered{Answer::Yes, "a.bmp"}}) {
        app.prompter.script.assign(app.prompter.texts.size(), Answer::No);
        app.prompter.script.push_back(a.answer);
        s.view->OnGenerateLabels();
        EXPECT_EQ(Q(s.Sheet().Labels()[s.Sheet().ItemAt(0)]), a.first);
    }

    // Two files open as a new sheet of them (one as its image: the image
    // steps' tests); an image window has no sheet commands.
    const int windows = app.WindowCount();
    s.Select({0, 2});
    QTest::keyClick(s.view, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.WindowCount() == windows + 1; }));
    auto* opened = qobject_cast<CThumbnailView*>(app.Main().Children().back()->widget());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->Document().Sheet().Count(), 2u);
    app.app->OpenPath(Q(WritePattern(dir, "c.bmp", 4, 4)));
    EXPECT_FALSE(app.Main().Action("sheetRemove")->isEnabled());
}

TEST_F(SheetWindow, OpeningASavedSheetFindsFilesBesideIt)
{
    OpenedSheet s = OpenSheet(app, dir, {"a.bmp", "b.bmp"});
    ASSERT_TRUE(s.view);
    std::filesystem::create_directory(dir.File("moved"));
    ASSERT_TRUE(s.Doc().SaveDocument(Q(dir.File("moved/sheet.pxc"))));
    std::filesystem::rename(dir.File("a.bmp"), dir.File("moved/a.bmp"));
    CChildFrame* frame = app.app->OpenPath(Q(dir.File("moved/sheet.pxc")));
    ASSERT_NE(frame, nullptr);
    auto* view = qobject_cast<CThumbnailView*>(frame->widget());
    const ThumbnailSheet& sheet = view->Document().Sheet();
    EXPECT_EQ(Q(sheet.Files()[0]), Q(dir.File("moved/a.bmp")));
    EXPECT_EQ(Q(sheet.Files()[1]), Q(dir.File("b.bmp")));
    EXPECT_FALSE(view->Document().IsModified());
    EXPECT_EQ(app.Main().StatusPaneText(), view->StatusText());

    // Rewritten by another program meanwhile: saving asks first.
    ASSERT_TRUE(s.Doc().SaveDocument(Q(dir.File("moved/sheet.pxc"))));
    const std::vector<uint8_t> theirs = ReadAll(dir.File("moved/sheet.pxc"));
    for (Answer answer : {Answer::No, Answer::Yes}) {
        app.prompter.script.assign(app.prompter.texts.size(), Answer::No);
        app.prompter.script.push_back(answer);
        EXPECT_EQ(view->Document().SaveDocument(Q(dir.File("moved/sheet.pxc"))), answer == Answer::Yes);
        EXPECT_EQ(app.prompter.texts.back(), dir.File("moved/sheet.pxc") + " has been changed by another program. Overwrite it?");
        EXPECT_EQ(ReadAll(dir.File("moved/sheet.pxc")) == theirs, answer == Answer::No);
    }
}

}  // namespace
}  // namespace pix::test

namespace pix::test {
namespace {

// Accepts the next modal dialog once it runs.
void AcceptNextDialog()
{
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
}

TEST_F(SheetSaveAs, TheExtensionChoosesSheetPicturesOrWebPages)
{
    OpenedSheet s = OpenSheet(app, dir, {"a.bmp", "b.bmp", "c.bmp"});
    ASSERT_TRUE(s.view);
    s.Doc().Sheet().Settings().maxPerPage = 1;
    struct Case {
        QStringList answers;
        bool dialog;            // the page size is asked
        QStringList written;    // relative to dir
        int newWindows;
        int reported = 0;       // messages shown
    };
    const std::vector<Case> cases{
        {{}, false, {}, 0},
        {{"s.pxc"}, false, {"s.pxc"}, 0},
        {{"p.png"}, true, {"p1.png", "p2.png", "p3.png"}, 1},
        {{"w.html"}, true, {}, 0},  // the thumbnail dialog is cancelled
        {{"w.html", "t_small.jpg"}, true, {"w1.html", "w3.html", "a.bmpt_small.jpg"}, 1},
        {{"none/w.html", "t_small.jpg"}, true, {}, 0, 3},  // no folder for the pages
    };
    for (const Case& c : cases) {
        app.files.saves.clear();
        for (const QString& name : c.answers)
            app.files.saves.push_back(Q(dir.File(name.toStdString())));
        if (c.dialog)
            AcceptNextDialog();
        const int windows = app.WindowCount();
        const int shown = app.prompter.ShownCount();
        s.Doc().OnSaveAs();
        EXPECT_EQ(app.prompter.ShownCount() - shown, c.reported);
        for (const QString& name : c.written)
            EXPECT_TRUE(QFileInfo::exists(Q(dir.File(name.toStdString())))) << name.toStdString();
        EXPECT_EQ(app.WindowCount() - windows, c.newWindows) << c.answers.join(',').toStdString();
    }
    EXPECT_EQ(s.Doc().PathName(), Q(dir.File("s.pxc")));
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("w.html"))));
    EXPECT_EQ(app.settings.GetString("State", "DestExtCS", ""), "html");
}

TEST_F(SheetFormat, AFormatFileCarriesEveryFieldToAnotherSheetAndTheDefault)
{
    OpenedSheet a = OpenSheet(app, dir, {"a.bmp"});
    OpenedSheet b = OpenSheet(app, dir, {"b.bmp"});
    ASSERT_TRUE(a.view && b.view);
    CThumbnailSettings& format = a.Doc().Sheet().Settings();
    format.rows = 3;
    format.bgC = 0x00FF00;
    format.label = "[FileTitle] [FileSize]";
    app.files.saves = {Q(dir.File("f.tfm"))};
    SaveFormatToFile(*app.app, &a.Doc());
    app.files.opens = {{Q(dir.File("f.tfm"))}};
    AcceptNextDialog();
    LoadFormatFromFile(*app.app, &b.Doc());
    EXPECT_EQ(app.files.proposed.back(), QStringLiteral("default.tfm"));
    EXPECT_EQ(b.Sheet().Settings(), format);
    EXPECT_TRUE(b.Doc().IsModified());
    EXPECT_EQ(b.view->palette().color(QPalette::Base), QColor(Qt::green));

    app.prompter.script = {Answer::Ok};
    UseFormatAsDefault(*app.app, b.Doc());
    OpenedSheet c = OpenSheet(app, dir, {"c.bmp"});
    ASSERT_TRUE(c.view);
    EXPECT_EQ(c.Sheet().Settings(), format);
}

TEST(FormatEditor, LayoutRulesRangesFontsAndFields)
{
    RunningApp app;
    CThumbnailSettings start;
    CFormatDlg dialog(start, QStringLiteral("t"), app.prompter, app.files);
    auto field = [&](const char* name) {
        QList<QLineEdit*> all = dialog.Pages()->widget(1)->findChildren<QLineEdit*>();
        const std::map<std::string, int> order{{"fxArea", 0}, {"max", 6}, {"rows", 7}, {"cols", 8}};
        return all.value(order.at(name));
    };
    field("max")->setText("30");
    dialog.OnMaxPerPageLeft();
    field("rows")->setText("5");
    dialog.OnRowsOrColumnsLeft(true);
    field("cols")->setText("4");
    dialog.OnRowsOrColumnsLeft(false);
    EXPECT_EQ(field("max")->text(), QStringLiteral("20"));

    // Out of range: the message, and the dialog stays open.
    struct Bad {
        const char* field;
        const char* text;
    };
    for (const Bad& b : {Bad{"max", "-1"}, Bad{"rows", "x"}}) {
        const QString kept = field(b.field)->text();
        field(b.field)->setText(b.text);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << b.field;
        EXPECT_EQ(app.prompter.texts.back().rfind("Please enter an integer between", 0), 0u);
        field(b.field)->setText(kept);
    }
    dialog.ChooseBackgroundPicture(QStringLiteral("/x.pe"));
    EXPECT_EQ(app.prompter.ids.back(), MsgId::MustBeImageFile);
    dialog.ChooseBackgroundPicture(QStringLiteral("/x.JPEG"));
    QFont twelve;
    twelve.setPointSizeF(12);
    dialog.SetTextFont(1, twelve, Qt::blue);
    dialog.InsertField(2, QStringLiteral("[PageNo]"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Format().maxPerPage, 20);
    EXPECT_EQ(dialog.Format().titleFont.height, 120);
    EXPECT_EQ(dialog.Format().titleCol, 0xFF0000u);
    EXPECT_EQ(dialog.Format().bgImg, "/x.JPEG");
    EXPECT_NE(dialog.Format().footer.find("[PageNo]"), std::string::npos);
    EXPECT_EQ(start.maxPerPage, 0);
}

}  // namespace
}  // namespace pix::test
