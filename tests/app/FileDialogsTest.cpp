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

TEST(FileDialogs, AllInDirectoryAcceptsOnlyWithFilesAndATypedFolderIsEntered)
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
    // A folder typed as the name, relative or whole, is entered.
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
    // Where no file matches, the dialog stays open.
    CFileSelect select(*app.app, nullptr, "Open", Q(empty.Path().string()), kFilter, 1);
    select.open();
    select.accept();
    EXPECT_TRUE(select.isVisible());
    select.NameBox()->setText("x.jpg");
    EXPECT_FALSE(select.Subfolders()->isEnabled());

    // Without patterns, all the visible files of the folder by name.
    const std::vector<std::string> all{dir.File("A.JPG"), dir.File("b.jpg"), dir.File("d.txt")};
    EXPECT_EQ(FilesInFolder(dir.Path().string(), {}, false), all);
    EXPECT_TRUE(FilesInFolder(dir.Path().string(), {"*.gif"}, true).empty());
}

TEST(FileDialogs, TheDatabaseButtonFindsMovedFilesInTheDatabaseFolder)
{
    DatabaseApp app({{"k1", "path", "/gone/one.jpg"}, {"k1", "Attributes", "Cat"},
                     {"k2", "path", "/gone/two.jpg"}, {"k2", "Attributes", "Cat"}});
    const TempDir& dir = app.dir;  // the database's folder
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
