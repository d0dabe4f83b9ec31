#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

#include "AppTestSupport.h"
#include "database/Attributes.h"
#include "database/DatabaseAccess.h"
#include "database/ContentKey.h"
#include "dbui/AttributeTree.h"
#include "dbui/CAttributeDlg.h"
#include "dbui/CSplitterPane.h"
#include "dbui/PaneWorker.h"

namespace pix::test {
namespace {

using Records = std::vector<CStrList>;

struct PaneApp : DatabaseApp {
    explicit PaneApp(const Records& records = {}) : DatabaseApp(records) {}
    CSplitterPane& Pane()
    {
        Main().ShowDatabasePane(true);
        return *Main().DatabasePane();
    }
    // Ticks the pane until it shows path.
    bool Shows(const std::string& path)
    {
        CSplitterPane& pane = Pane();
        return QTest::qWaitFor([&] { pane.Tick(); return !pane.WorkerRunning() && pane.CurrentFile() == path; },
                               10000);
    }
    // The live records (without saving them).
    Records Live()
    {
        std::lock_guard lock(DatabaseMutex());
        CImageDatabase* db = app->Database().AcquireDatabase();
        Records out = db->Records();
        app->Database().ReleaseDatabase();
        return out;
    }
    AttributeTree& Tree() { return *Pane().Tree(); }
    std::string Open(const std::string& name, uint32_t size)
    {
        const std::string path = WritePattern(dir, name, size, size);
        app->OpenImageWindow(Q(path));
        return path;
    }
};

bool Has(const Records& records, const CStrList& record)
{
    return std::find(records.begin(), records.end(), record) != records.end();
}

bool Bold(QTreeWidgetItem* item) { return item && item->font(0).bold(); }

TEST(DatabasePane, FastSwitchesRunOneWorkerTheNextTickCatchesUpAndADeletedFileIsAskedAbout)
{
    PaneApp app;
    const std::string a = app.Open("a.bmp", 8);
    const std::string b = app.Open("b.bmp", 9);
    ASSERT_TRUE(app.Shows(b));
    EXPECT_TRUE(app.Main().Action("database")->isChecked());
    CSplitterPane& pane = app.Pane();
    WorkerGate gate;
    pane.SetWorkerGate(&gate);
    gate.Close();
    const int started = pane.WorkersStarted();
    for (int i = 0; i < 6; ++i) {
        app.Main().Activate(app.Main().Children()[i % 2]);
        pane.Tick();
    }
    EXPECT_EQ(pane.WorkersStarted(), started + 1);
    EXPECT_FALSE(pane.isEnabled());
    gate.Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.WorkerRunning(); }));
    EXPECT_EQ(pane.CurrentFile(), a);
    EXPECT_TRUE(app.Shows(b));
    EXPECT_TRUE(pane.isEnabled());

    // Switches while the window thread edits the database.
    for (int i = 0; i < 200; ++i) {
        app.Main().Activate(app.Main().Children()[i % 2]);
        pane.Tick();
        app.Live();
        QTest::qWait(1);
    }
    EXPECT_TRUE(app.Shows(b));
    EXPECT_TRUE(app.prompter.texts.empty());

    // A file deleted from disk is asked about on the window thread.
    std::filesystem::remove(a);
    app.prompter.script = {Answer::Yes};
    app.Main().Activate(app.Main().Children()[0]);
    ASSERT_TRUE(app.Shows(a));
    EXPECT_EQ(app.prompter.ids, std::vector<MsgId>{MsgId::FileNotAccessibleRemove});
    EXPECT_EQ(app.Live(), (Records{{ContentKey(b), "path", b}}));
    // No key: nothing can be ticked, added or dropped.
    app.Tree().InsertItem(app.Tree().Top());
    EXPECT_EQ(app.Tree().Top()->childCount(), 0);
}

TEST(DatabasePane, AMovedFileGetsItsNewPathSavedOnHideAndShowsItsTicks)
{
    TempDir other;
    const std::string key = ContentKey(WritePattern(other, "a.bmp", 8, 8));
    PaneApp app({{key, "path", "/gone/a.bmp"}, {key, "Attributes", "Animal", "Cat"}, {"f9", "Attributes", "Sky"}});
    const std::string moved = app.Open("moved.bmp", 8);
    ASSERT_TRUE(app.Shows(moved));
    AttributeTree& tree = app.Tree();
    EXPECT_TRUE(tree.Top()->text(0).endsWith(QStringLiteral("[moved.bmp]")));
    EXPECT_TRUE(Bold(tree.Find({"Animal"})) && Bold(tree.Find({"Animal", "Cat"})));
    EXPECT_EQ(tree.Find({"Animal", "Cat"})->checkState(0), Qt::Checked);
    EXPECT_FALSE(Bold(tree.Find({"Sky"})));
    app.Main().ShowDatabasePane(false);
    EXPECT_FALSE(app.Main().Action("database")->isChecked());
    EXPECT_EQ(app.Saved().at(2), (CStrList{key, "path", moved}));
}

TEST(DatabasePane, TicksStoreOneRecordAndUntickingAnAncestorOnlyThisFile)
{
    PaneApp app({{"f9", "Attributes", "A", "B", "C"}});
    const std::string a = app.Open("a.bmp", 8);
    ASSERT_TRUE(app.Shows(a));
    const std::string key = ContentKey(a);
    AttributeTree& tree = app.Tree();
    tree.Find({"A", "B", "C"})->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(Bold(tree.Find({"A"})) && Bold(tree.Find({"A", "B"})));
    EXPECT_EQ(app.Live(), (Records{{"f9", "Attributes", "A", "B", "C"}, {key, "path", a},
                                   {key, "Attributes", "A", "B", "C"}}));
    tree.Find({"A"})->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(Bold(tree.Find({"A", "B", "C"})));
    EXPECT_EQ(app.Live(), (Records{{"f9", "Attributes", "A", "B", "C"}, {key, "path", a}}));
}

TEST(DatabasePane, NewLabelsEmptyOrTakenDisappear)
{
    PaneApp app({{"f9", "Attributes", "Red"}});
    ASSERT_TRUE(app.Shows(app.Open("a.bmp", 8)));
    AttributeTree& tree = app.Tree();
    const Records before = app.Live();
    for (const char* label : {"", "Red", "Blue"}) {
        tree.InsertItem(tree.Top());
        auto* editor = tree.findChild<QLineEdit*>();
        ASSERT_TRUE(editor);
        QTest::keyClicks(editor, label);
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !tree.findChild<QLineEdit*>(); }));
    }
    EXPECT_EQ(tree.Top()->childCount(), 2);
    EXPECT_TRUE(Bold(tree.Find({"Blue"})));
    EXPECT_EQ(app.prompter.ids, std::vector<MsgId>{MsgId::AttributeExists});
    EXPECT_EQ(app.Live().size(), before.size() + 1);
}

TEST(DatabasePane, MovesRefuseItselfBelowItselfAndLeaves)
{
    PaneApp app({{"f9", "Attributes", "A", "B"}, {"f9", "Attributes", "@6tool", "@8Path", "/bin/true"},
                 {"f9", "Attributes", "C"}});
    ASSERT_TRUE(app.Shows(app.Open("a.bmp", 8)));
    AttributeTree& tree = app.Tree();
    QTreeWidgetItem* a = tree.Find({"A"});
    EXPECT_FALSE(tree.MoveItem(a, a));
    EXPECT_FALSE(tree.MoveItem(a, tree.Find({"A", "B"})));
    EXPECT_FALSE(tree.MoveItem(tree.Find({"C"}), tree.Find({"tool"})));
    EXPECT_TRUE(tree.MoveItem(tree.Find({"C"}), a));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.Find({"A", "C"}) != nullptr; }));
    EXPECT_TRUE(Has(app.Live(), {"f9", "Attributes", "A", "C"}));
}

// Dropped files become links of the file shown or of no file; a link to
// a program moved with the database runs it from the database's folder,
// with the file as its argument.
TEST(DatabasePane, DroppedFilesBecomeLinksAndALinkRunsItsProgramWithTheFile)
{
    PaneApp app({{"none", "Attributes", "@6show.sh", "@8Path", "/moved/away/show.sh"}});
    ASSERT_TRUE(app.Shows(kNoFileOwner));
    const std::string a = app.Open("it's \"a\".bmp", 8);
    const std::string key = ContentKey(a);
    // A drag from outside: enter, move, drop on the top item.
    auto drop = [&](const std::string& target) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Q(target))});
        const QPoint at = app.Tree().visualItemRect(app.Tree().Top()).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent release(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        for (QEvent* e : std::initializer_list<QEvent*>{&enter, &move, &release})
            QApplication::sendEvent(app.Tree().viewport(), e);
    };
    drop("/usr/bin/x-one");
    ASSERT_TRUE(app.Shows(a));
    drop("/usr/bin/x-two");
    EXPECT_TRUE(Has(app.Live(), {"none", "Attributes", "@6x-one", "@8Path", "/usr/bin/x-one"}));
    EXPECT_TRUE(Has(app.Live(), {key, "Attributes", "@7x-two", "@8Path", "/usr/bin/x-two"}));
    EXPECT_TRUE(Bold(app.Tree().Find({"x-two"})));

    const std::string out = app.dir.File("argument");
    const std::string program = app.dir.File("show.sh");
    std::ofstream(program) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << out << "'\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    app.Tree().OpenItem(app.Tree().Find({"show.sh"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(out); }, 10000));
    QTest::qWait(100);
    std::ifstream in(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), a);
}

TEST(DatabasePane, AutoFillInTakesAFileNotTheQuery)
{
    TempDir other;
    const std::string key = ContentKey(WritePattern(other, "a.bmp", 8, 8));
    PaneApp app({{"template", "Attributes", "A"}, {"template", "Attributes", "B"}, {"f1", "Attributes", "A"},
                 {"f1", "Attributes", "C"}, {key, "Attributes", "A"}});
    ASSERT_TRUE(app.Shows(app.Open("a.bmp", 8)));
    app.Pane().AutoFillButton()->click();
    EXPECT_TRUE(Bold(app.Tree().Find({"C"})));
    EXPECT_FALSE(Bold(app.Tree().Find({"B"})));
}

TEST(AttributeDialog, AddRemoveAndClearBuildTheSelection)
{
    PaneApp app({{"k1", "path", "/p/one.jpg"}, {"k1", "Attributes", "Cat"}, {"k2", "path", "/p/two.jpg"},
                 {"k2", "Attributes", "Cat"}, {"k2", "Attributes", "Dog"}, {"k3", "Attributes", "Dog"}});
    {
        CAttributeDlg dialog(*app.app, app.Hold());
        dialog.Tree()->Find({"Cat"})->setCheckState(0, Qt::Checked);
        dialog.Button("&Add")->click();
        EXPECT_EQ(dialog.Selected(), (QStringList{"/p/one.jpg", "/p/two.jpg"}));
        dialog.Tree()->Find({"Dog"})->setCheckState(0, Qt::Checked);
        dialog.Button("&Remove")->click();
        EXPECT_EQ(dialog.Selected(), QStringList{"/p/one.jpg"});
        dialog.Button("&Clear")->click();
        EXPECT_EQ(dialog.List()->count(), 0);
    }
    app.Release();
    EXPECT_EQ(app.Saved().size(), 6u);  // the dialog marks nothing modified
}

}  // namespace
}  // namespace pix::test
