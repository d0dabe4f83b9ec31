#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <filesystem>

#include "common/SettingsStore.h"
#include "platform/FileAssociations.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A user configuration and data folders with two installed programs: ours
// and an image viewer that owns GIF. Only the user's list names defaults.
struct Desktop {
    test::TempDir dir;
    XdgFolders xdg;
    MemorySettingsStore settings;
    const std::string original = "# kept\n[Default Applications]\nimage/gif=viewer.desktop;\ntext/plain=ed.desktop\n\n"
                                "[Added Associations]\nimage/png=viewer.desktop;\n";
    Desktop()
    {
        xdg.configHome = Q("config");
        xdg.dataHome = Q("data");
        xdg.dataDirs = {Q("sys")};
        Install("data", "pixadrome.desktop", "Pixadrome");
        Install("sys", "viewer.desktop", "Picture Viewer");
        Write(original);
    }
    QString Q(const std::string& name) const { return QString::fromStdString(dir.File(name)); }
    void Install(const std::string& where, const std::string& id, const std::string& name)
    {
        fs::create_directories(dir.File(where + "/applications"));
        test::WriteAll(dir.File(where + "/applications/" + id),
                       Bytes("[Desktop Entry]\nType=Application\nName=" + name + "\nExec=/bin/true %F\n"));
    }
    void Write(const std::string& list) const
    {
        fs::create_directories(dir.File("config"));
        test::WriteAll(dir.File("config/mimeapps.list"), Bytes(list));
    }
    std::string List() const
    {
        const auto bytes = test::ReadAll(dir.File("config/mimeapps.list"));
        return {bytes.begin(), bytes.end()};
    }
    // What xdg-mime answers in the same folders.
    QString XdgMimeDefault(const QString& type) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), xdg.configHome);
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), Q("etc"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), xdg.dataHome);
        env.insert(QStringLiteral("XDG_DATA_DIRS"), xdg.dataDirs.join(QLatin1Char(':')));
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
};

TEST(FileAssociations, ClaimedOnceAndGivenBackByteForByte)
{
    Desktop d;
    FileAssociations associations(d.settings, d.xdg);
    associations.ClaimAtStartup();
    for (const char* type : {"image/gif", "image/jpeg", "image/tiff"}) {
        EXPECT_EQ(DefaultApplication(d.xdg, QString::fromLatin1(type)), QLatin1String(kDesktopFileId)) << type;
        EXPECT_EQ(d.XdgMimeDefault(QString::fromLatin1(type)), QLatin1String(kDesktopFileId)) << type;
    }
    EXPECT_EQ(d.settings.ReadString("Settings", "gif"), "viewer.desktop");
    EXPECT_EQ(d.settings.ReadString("Settings", "jpe"), "");

    std::vector<AssociationRow> rows = associations.Open();
    ASSERT_EQ(rows.size(), 17u);  // the twelve of old, then webp, avif, heic, heif, jxl
    for (const AssociationRow& row : rows)
        EXPECT_TRUE(row.ticked) << row.extension.toStdString();
    // Unticking jpg unticks the other JPEG extensions with it.
    FileAssociations::Toggle(rows, 0);
    EXPECT_FALSE(rows[3].ticked);
    EXPECT_EQ(rows[10].extension, QStringLiteral("jfif"));
    EXPECT_FALSE(rows[10].ticked);
    for (size_t i = 4; i < rows.size(); ++i)
        if (rows[i].ticked)
            FileAssociations::Toggle(rows, i);
    EXPECT_EQ(associations.Apply(rows), std::vector<MsgId>{});
    EXPECT_EQ(d.List(), d.original);
    EXPECT_EQ(d.XdgMimeDefault(QStringLiteral("image/gif")), QStringLiteral("viewer.desktop"));

    // Given back stays given back; a forgotten extension is claimed again.
    associations.ClaimAtStartup();
    EXPECT_EQ(d.List(), d.original);
    MemorySettingsStore forgetful;
    for (const AssociationRow& row : rows)
        if (row.extension != QLatin1String("png"))
            forgetful.WriteString("Settings", row.extension.toStdString(), "");
    FileAssociations(forgetful, d.xdg).ClaimAtStartup();
    EXPECT_EQ(DefaultEntry(d.xdg, QStringLiteral("image/png")), QLatin1String(kDesktopFileId));
    EXPECT_EQ(DefaultEntry(d.xdg, QStringLiteral("image/bmp")), QString());
}

// Claiming and looking before our desktop file is installed (as the
// associations command does) records nothing: the first start after the
// installation claims every type.
TEST(FileAssociations, NothingIsRecordedBeforeAClaimIsWritten)
{
    Desktop d;
    fs::remove(d.dir.File("data/applications/pixadrome.desktop"));
    FileAssociations associations(d.settings, d.xdg);
    associations.ClaimAtStartup();
    associations.Open();
    d.Install("data", "pixadrome.desktop", "Pixadrome");
    associations.ClaimAtStartup();
    for (const char* type : {"image/gif", "image/png", "image/tiff"})
        EXPECT_EQ(DefaultEntry(d.xdg, QString::fromLatin1(type)), QLatin1String(kDesktopFileId)) << type;
    EXPECT_EQ(d.settings.ReadString("Settings", "gif"), "viewer.desktop");
}

TEST(FileAssociations, AnotherProgramsClaimIsNoticed)
{
    Desktop d;
    d.Install("sys", "other.desktop", "Other Viewer");
    FileAssociations associations(d.settings, d.xdg);
    associations.ClaimAtStartup();
    std::string list = d.List();
    list.replace(list.find("image/gif=pixadrome.desktop;"), 28, "image/gif=other.desktop;");
    d.Write(list);
    const std::vector<AssociationRow> rows = associations.Open();
    EXPECT_FALSE(rows[4].ticked);
    EXPECT_EQ(FileAssociations::ShownDescription(rows[4]), QStringLiteral("Other Viewer"));
    EXPECT_EQ(d.settings.ReadString("Settings", "gif"), "other.desktop");
    EXPECT_EQ(FileAssociations::ShownDescription(rows[5]), QStringLiteral("Image (Pixadrome)"));
}

TEST(FileAssociations, FailuresAreReportedPerTypeAndChangeNothing)
{
    Desktop d;
    FileAssociations associations(d.settings, d.xdg);
    associations.ClaimAtStartup();
    std::vector<AssociationRow> rows = associations.Open();
    FileAssociations::Toggle(rows, 0);  // JPEG back
    FileAssociations::Toggle(rows, 4);  // GIF back
    const std::string claimed = d.List();

    QFile::setPermissions(d.Q("config/mimeapps.list"), QFile::ReadOwner);
    EXPECT_EQ(associations.Apply(rows), (std::vector<MsgId>{MsgId::AssociationSetFailed, MsgId::AssociationSetFailed}));
    QFile::setPermissions(d.Q("config/mimeapps.list"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(d.List(), claimed);

    // Through a link, the link's target is written.
    fs::rename(d.dir.File("config/mimeapps.list"), d.dir.File("real.list"));
    fs::create_symlink(d.dir.File("real.list"), d.dir.File("config/mimeapps.list"));
    EXPECT_EQ(associations.Apply(rows), std::vector<MsgId>{});
    EXPECT_TRUE(fs::is_symlink(d.dir.File("config/mimeapps.list")));
    EXPECT_EQ(DefaultEntry(d.xdg, QStringLiteral("image/gif")), QStringLiteral("viewer.desktop"));
    EXPECT_EQ(d.List().find("image/jpeg"), std::string::npos);

    rows = associations.Open();
    fs::remove(d.dir.File("config/mimeapps.list"));
    fs::create_directory(d.dir.File("config/mimeapps.list"));
    FileAssociations::Toggle(rows, 9);  // TIFF back, but the list is no file
    EXPECT_EQ(associations.Apply(rows), std::vector<MsgId>{MsgId::AssociationRemoveFailed});
    fs::remove(d.dir.File("config/mimeapps.list"));
    fs::remove(d.dir.File("data/applications/pixadrome.desktop"));
    FileAssociations::Toggle(rows, 9);  // TIFF stays
    FileAssociations::Toggle(rows, 4);  // GIF claimed, but we are not installed
    EXPECT_EQ(associations.Apply(rows), std::vector<MsgId>{MsgId::AssociationCreateFailed});
    EXPECT_FALSE(fs::exists(d.dir.File("config/mimeapps.list")));
}

}  // namespace
}  // namespace pix
