#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <unistd.h>

#include "platform/DesktopServices.h"
#include "support/ScopedEnv.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

namespace fs = std::filesystem;

// The desktop named by XDG_CURRENT_DESKTOP sets the wallpaper with its own
// tool alone; when that fails nothing else is tried. The tools are
// stand-ins that record their calls, one a line, and fail when named in
// FAILING.
TEST(Wallpaper, TheCurrentDesktopsToolAloneSetsIt)
{
    test::TempDir dir;
    const std::string tool = "#!/bin/sh\necho \"${0##*/} $*\" >> \"$CALLS\"\n"
                             "case \" $FAILING \" in *\" ${0##*/} \"*) exit 1;; esac\n"
                             "[ \"$3\" = -l ] && echo /backdrop/screen0/monitorV/workspace0/last-image\nexit 0\n";
    test::WriteAll(dir.File("tool"), {tool.begin(), tool.end()});
    fs::permissions(dir.File("tool"), fs::perms::owner_all);
    for (const char* name : {"gsettings", "xfconf-query", "qdbus", "dbus-send", "feh"})
        fs::create_symlink(dir.File("tool"), dir.File(name));
    test::ScopedEnv path("PATH", dir.Path().c_str()), calls("CALLS", dir.File("calls").c_str());
    const std::string pic = dir.File("w.bmp"), uri = "file://" + pic;
    const std::string gnome = "gsettings set org.gnome.desktop.background picture-uri";
    const std::string kde = "org.kde.plasmashell /PlasmaShell org.kde.PlasmaShell.evaluateScript ";
    // Desktop, failing tools, the calls' beginnings, whether it was set.
    const std::tuple<const char*, const char*, std::vector<std::string>, bool> cases[] = {
        {"ubuntu:GNOME", "", {gnome + " " + uri, gnome + "-dark " + uri}, true},
        {"GNOME", "gsettings", {gnome + " " + uri}, false},
        {"X-Cinnamon", "", {"gsettings set org.cinnamon.desktop.background picture-uri " + uri}, true},
        {"MATE", "", {"gsettings set org.mate.background picture-filename " + pic}, true},
        {"XFCE", "", {"xfconf-query -c xfce4-desktop -l", "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorV/workspace0/last-image -s " + pic}, true},
        {"KDE", "qdbus", {"qdbus " + kde, "dbus-send --session --print-reply --dest=" + kde + "string:"}, true},
        {"KDE", "qdbus dbus-send", {"qdbus ", "dbus-send "}, false},
        {"LXQt", "feh", {"feh --bg-fill " + pic}, false},
    };
    for (const auto& [desktop, failing, expected, set] : cases) {
        test::ScopedEnv current("XDG_CURRENT_DESKTOP", desktop), fail("FAILING", failing);
        fs::remove(dir.File("calls"));
        EXPECT_EQ(SetDesktopWallpaper(QString::fromStdString(pic)), set) << desktop;
        std::ifstream in(dir.File("calls"));
        std::vector<std::string> made;
        for (std::string line; std::getline(in, line);)
            made.push_back(line);
        ASSERT_EQ(made.size(), expected.size()) << desktop;
        for (size_t i = 0; i < made.size(); ++i)
            EXPECT_EQ(made[i].substr(0, expected[i].size()), expected[i]);
        EXPECT_NE(made.back().find(pic), std::string::npos) << desktop;  // the picture is passed on
    }
}

// A name goes to the desktop's opener and to mail as one argument, an
// absolute path, whatever it holds; nothing in it runs.
TEST(DesktopPrograms, ANameGoesThroughAsOneArgumentAndRunsNothing)
{
    test::TempDir dir;
    fs::create_directories(dir.File("bin"));
    fs::create_directories(dir.File("pics"));
    const std::string recorder = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$CALLS.${0##*/}\"\n";
    test::WriteAll(dir.File("bin/recorder"), {recorder.begin(), recorder.end()});
    fs::permissions(dir.File("bin/recorder"), fs::perms::owner_all);
    for (const char* name : {"xdg-open", "xdg-email"})
        fs::create_symlink(dir.File("bin/recorder"), dir.File(std::string("bin/") + name));
    const std::string mimeapps = "[Default Applications]\nimage/jpeg=viewer.desktop;\n";
    fs::create_directories(dir.File("config"));
    test::WriteAll(dir.File("config/mimeapps.list"), {mimeapps.begin(), mimeapps.end()});
    test::ScopedEnv path("PATH", dir.File("bin").c_str()), calls("CALLS", dir.File("calls").c_str()),
        config("XDG_CONFIG_HOME", dir.File("config").c_str());
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.File("pics")));
    auto recorded = [&](const char* program) {
        std::ifstream in(dir.File(std::string("calls.") + program));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    };
    for (const std::string name : {"$(touch pwned).jpg", ";touch pwned;.jpg", "-x.jpg", "a \"b' c`touch pwned`.jpg"}) {
        const std::string file = dir.File("pics/" + name);
        test::WriteAll(file, {1});
        fs::remove(dir.File("calls.xdg-open"));
        fs::remove(dir.File("calls.xdg-email"));
        QString error;
        EXPECT_TRUE(OpenWithAssociatedProgram(QString::fromStdString(name), error)) << error.toStdString();
        EXPECT_TRUE(SendFileByMail(QString::fromStdString(name)));
        for (int wait = 0; wait < 100 && (recorded("xdg-open").empty() || recorded("xdg-email").empty()); ++wait)
            ::usleep(50000);
        EXPECT_EQ(recorded("xdg-open"), std::vector<std::string>{file});
        EXPECT_EQ(recorded("xdg-email"), (std::vector<std::string>{"--attach", file}));
    }
    QDir::setCurrent(before);
    EXPECT_FALSE(fs::exists(dir.File("pics/pwned")));
}

// The database and the wallpaper picture live in the user's data folder;
// beside the program only where a database lies there already.
TEST(ProgramData, BesideTheProgramOnlyForAPortableCopy)
{
    test::TempDir dir;
    test::ScopedEnv data("XDG_DATA_HOME", dir.File("data").c_str());
    const QString program = QString::fromStdString(dir.Path().string());
    EXPECT_EQ(ProgramDataFolder(program), QString::fromStdString(dir.File("data/pixadrome")));
    EXPECT_TRUE(fs::is_directory(dir.File("data/pixadrome")));
    test::WriteAll(dir.File("pixadrome.db"), {});
    EXPECT_EQ(ProgramDataFolder(program), program);
}

}  // namespace
}  // namespace pix
