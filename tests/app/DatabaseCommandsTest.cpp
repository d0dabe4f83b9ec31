#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "common/FileBytes.h"
#include "database/ContentKey.h"
#include "dbui/CAttributeDlg.h"
#include "dbui/CCompactingDlg.h"
#include "dbui/CSplitterPane.h"
#include "dbui/DatabaseCommands.h"

namespace pix::test {
namespace {

using Records = std::vector<CStrList>;

TEST(DatabaseCommands, ChangeRefusesADamagedFileAndSavesTheOldOne)
{
    TempDir other;
    const std::string picture = WritePattern(other, "a.bmp", 8, 8);
    const std::string key = ContentKey(picture);
    DatabaseApp app({{key, "path", "/gone/a.bmp"}});
    app.app->OpenImageWindow(Q(picture));
    app.Main().ShowDatabasePane(true);
    CSplitterPane* pane = app.Main().DatabasePane();
    ASSERT_TRUE(QTest::qWaitFor([&] { pane->Tick(); return pane->CurrentFile() == picture && !pane->WorkerRunning(); }));
    std::ofstream(app.dir.File("junk.db")) << "junk";
    const std::string fresh = app.dir.File("fresh.db");
    app.files.saves = {Q(app.dir.File("junk.db")), Q(fresh)};
    app.app->OnDatabaseChange();
    EXPECT_EQ(app.prompter.ids, std::vector<MsgId>{MsgId::NotADatabase});
    EXPECT_EQ(app.settings.GetString("Settings", "dbpath", ""), app.dbPath);
    EXPECT_EQ(app.Saved(app.dbPath), (Records{{key, "path", "/gone/a.bmp"}}));
    app.app->OnDatabaseChange();
    EXPECT_EQ(app.settings.GetString("Settings", "dbpath", ""), fresh);
    EXPECT_EQ(app.Saved(app.dbPath), (Records{{key, "path", picture}}));
    ASSERT_TRUE(app.Main().DatabasePane());
    app.Main().ShowDatabasePane(false);
    app.app->OnDatabaseChange();  // cancelled: no message
    app.files.saves = {Q(app.dbPath)};
    app.app->OnDatabaseChange();
    EXPECT_EQ(app.prompter.ids, (std::vector<MsgId>{MsgId::NotADatabase, MsgId::NowUsingDatabase}));
}

TEST(DatabaseCommands, ACancelledLocateKeepsAndSavesItsUpdates)
{
    TempDir other;
    const std::string a = WritePattern(other, "a.bmp", 8, 8), b = WritePattern(other, "b.bmp", 9, 9);
    DatabaseApp app({{ContentKey(a), "path", "/gone/a.bmp"}, {ContentKey(b), "path", "/gone/b.bmp"}});
    app.files.opens = {{Q(a), Q(b)}};
    const QStringList chosen = ChooseFilesToLocate(*app.app);
    EXPECT_EQ(app.files.titles.value(0), "Choose files to scan in Database [pix]");
    EXPECT_EQ(app.settings.GetString("State", "SrcDir", ""), other.Path().string());
    RecordingProgress progress(2);
    LocateMovedFiles(*app.app, chosen, progress);
    EXPECT_EQ(app.Saved(app.dbPath), (Records{{ContentKey(b), "path", "/gone/b.bmp"}, {ContentKey(a), "path", a}}));
}

TEST(DatabaseCommands, CleanRemovesOnlyAfterOk)
{
    const Records records{{"k1", "path", "/gone/x.jpg"}, {"k1", "Attributes", "Cat"}, {"k2", "Attributes", "Dog"}};
    for (const char* button : {"Abbrechen", "OK"}) {
        DatabaseApp app(records);
        const std::vector<uint8_t> before = ReadFileBytes(app.dbPath).value();
        QStringList listed;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CCompactingDlg*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            listed << dialog->List()->item(0)->text();
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == button)
                    b->click();
        });
        RecordingProgress progress;
        CleanMissingFiles(*app.app, progress);
        EXPECT_EQ(listed, QStringList{"/gone/x.jpg"});
        if (std::string(button) == "OK")
            EXPECT_EQ(app.Saved(app.dbPath), (Records{{"k2", "Attributes", "Dog"}}));
        else
            EXPECT_EQ(ReadFileBytes(app.dbPath).value(), before);
    }
}

TEST(DatabaseCommands, TheAttributeDialogOfACopyGoesOnWithTheOriginal)
{
    TempDir other;
    const std::string original = WritePattern(other, "a.bmp", 8, 8);
    const std::string copy = WritePattern(other, "copy.bmp", 8, 8);
    DatabaseApp app({{ContentKey(original), "path", original}});
    app.prompter.script = {Answer::No, Answer::No};
    {
        CAttributeDlg dialog(*app.app, app.Hold(), Q(copy));
        EXPECT_EQ(dialog.windowTitle(), "File attributes");
        EXPECT_EQ(dialog.File(), original);
        EXPECT_EQ(app.prompter.ids, (std::vector<MsgId>{MsgId::DuplicateFoundNewPath, MsgId::DeleteCopyAt}));
    }
    app.Release();
}

}  // namespace
}  // namespace pix::test
