#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "dbui/AttributeTree.h"
#include "dbui/CAttributeDlg.h"
#include "dbui/CFileSelect.h"
#include "dbui/FileCollection.h"
#include "uiservices/FileDialogs.h"

namespace pix::test {
namespace {

constexpr std::string_view kFilter = "Pictures (*.jpg;*.png)|*.jpg;*.png|All files (*.*)|*.*||";

// A.JPG, b.jpg, .c.jpg, d.txt, sub/e.png, .hid/f.png
void Fill(const TempDir& dir)
{
    std::filesystem::create_directories(dir.Path() / "sub");
    std::filesystem::create_directories(dir.Path() / ".hid");
    for (const char* name : {"b.jpg", "A.JPG", ".c.jpg", "d.txt", "sub/e.png", ".hid/f.png"})
        std::ofstream(dir.File(name)) << name;
}

TEST(FileDialogs, AFolderGivesItsMatchingVisibleFilesByNameThenItsSubfolders)
{
    TempDir dir;
    Fill(dir);
    const std::string a = dir.File("A.JPG"), b = dir.File("b.jpg"), d = dir.File("d.txt"), e = dir.File("sub/e.png");
    const struct {
        std::vector<std::string> patterns;
        bool recurse;
        std::vector<std::string> files;
    } cases[] = {
        {{"*.jpg", "*.png"}, false, {a, b}},
        {{"*.jpg", "*.png", "*.JPG"}, true, {a, b, e}},
        {{}, false, {a, b, d}},
        {{"*.gif"}, true, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilesInFolder(dir.Path().string(), c.patterns, c.recurse), c.files) << c.patterns.size();
}

TEST(FileDialogs, AllInDirectoryAcceptsOnlyWithFiles)
{
    RunningApp app;
    TempDir dir, empty;
    Fill(dir);
    for (bool recurse : {false, true}) {
        CFileSelect select(*app.app, nullptr, "Open", Q(dir.Path().string()), kFilter, 1);
        select.open();
        EXPECT_EQ(select.NameBox()->text(), "all in directory");
        EXPECT_TRUE(select.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->isEnabled());
        select.Subfolders()->setChecked(recurse);
        select.accept();
        EXPECT_FALSE(select.isVisible());
        QStringList expected{Q(dir.File("A.JPG")), Q(dir.File("b.jpg"))};
        if (recurse)
            expected << Q(dir.File("sub/e.png"));
        EXPECT_EQ(select.Files(), expected);
    }
    CFileSelect select(*app.app, nullptr, "Open", Q(empty.Path().string()), kFilter, 1);
    select.open();
    select.accept();
    EXPECT_TRUE(select.isVisible());
    select.NameBox()->setText("x.jpg");
    EXPECT_FALSE(select.Subfolders()->isEnabled());
}

TEST(FileDialogs, AFolderTypedAsTheNameIsEnteredWhole)
{
    RunningApp app;
    TempDir dir;
    Fill(dir);
    for (const QString& typed : {QStringLiteral("sub"), Q(dir.File("sub"))}) {
        CFileSelect select(*app.app, nullptr, "Open", Q(dir.Path().string()), kFilter, 1);
        select.show();
        select.NameBox()->setFocus();
        select.NameBox()->clear();
        QTest::keyClicks(select.NameBox(), typed);
        QTest::keyClick(select.NameBox(), Qt::Key_Return);
        ASSERT_TRUE(select.isVisible());
        EXPECT_EQ(select.directory().absolutePath(), Q(dir.File("sub")));
        EXPECT_EQ(select.NameBox()->text(), "all in directory");
        QTest::keyClick(select.NameBox(), Qt::Key_Return);
        EXPECT_FALSE(select.isVisible());
        EXPECT_EQ(select.Files(), QStringList{Q(dir.File("sub/e.png"))});
    }
}

TEST(FileDialogs, TheDatabaseButtonFindsMovedFilesInTheDatabaseFolder)
{
    RunningApp app;
    TempDir dir;
    const std::string dbPath = dir.File("pix.db");
    app.settings.SetString("Settings", "dbpath", dbPath);
    CImageDatabase db;
    for (const CStrList& r : std::vector<CStrList>{{"k1", "path", "/gone/one.jpg"}, {"k1", "Attributes", "Cat"},
                                                   {"k2", "path", "/gone/two.jpg"}, {"k2", "Attributes", "Cat"}})
        db.Append(r);
    db.Save(dbPath);
    std::ofstream(dir.File("one.jpg")) << "1";
    CFileSelect select(*app.app, nullptr, "Open", Q(dir.Path().string()), kFilter, 1);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CAttributeDlg*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        dialog->Tree()->Find({"Cat"})->setCheckState(0, Qt::Checked);
        dialog->Button("&Add")->click();
        dialog->accept();
    });
    select.DatabaseButton()->click();
    EXPECT_EQ(select.result(), QDialog::Accepted);
    EXPECT_EQ(select.Files(), (QStringList{Q(dir.File("one.jpg")), "/gone/two.jpg"}));
    EXPECT_EQ(select.NameBox()->text(), "");
}

TEST(FileDialogs, SavingNeedsAWholePatternOfTheFilter)
{
    const struct {
        const char* name;
        bool valid;
    } names[] = {{"/a/x.jpg", true}, {"/a/x.PNG", true}, {"/a/x.jp", false}, {"/a/x", false},
                 {"/a.jpg/x", false}, {"/a/x.p", false}};
    for (const auto& n : names)
        EXPECT_EQ(SaveTypeIsValid(n.name, kFilter), n.valid) << n.name;
    const struct {
        const char* name;
        const char* pattern;
        const char* result;
    } types[] = {{"a.bmp", "*.jpg", "a.jpg"}, {"", "*.png", "*.png"}, {"a", "*.png", "a.png"}, {"a.b", "*.*", "a.b"}};
    for (const auto& t : types)
        EXPECT_EQ(WithPatternExtension(t.name, t.pattern), t.result) << t.name;

    RecordingPrompter prompter;
    TempDir dir;
    CFileSave save(prompter, nullptr, "Save", Q(dir.Path().string()), kFilter);
    save.open();
    save.selectFile("x.jp");
    save.accept();
    EXPECT_TRUE(save.isVisible());
    EXPECT_EQ(prompter.texts, std::vector<std::string>{dir.File("x.jp") + "\nNo valid filetype."});

    // A name typed without an extension gets the default one.
    DialogFileChooser chooser(prompter);
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")), QStringLiteral("thumbs\r"));
        dialog->close();  // still open when the name was refused
    });
    EXPECT_EQ(chooser.ChooseSave(nullptr, "", Q(dir.Path().string()), "", kFilter, "jpg"), Q(dir.File("thumbs.jpg")));
}

}  // namespace
}  // namespace pix::test
