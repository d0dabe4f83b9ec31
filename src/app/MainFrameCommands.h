#pragma once
// The main window's commands, one row each: name, menu text, prompt
// ("status text\ntool tip"), key, icon, what it does and when it is
// enabled; and the menus and tool bar that show them.

#include <QKeySequence>
#include <QStyle>
#include <functional>
#include <optional>
#include <vector>

namespace pix {

class CMainFrame;
class CPixadromeApp;
class CPixadromeView;
class CThumbnailView;

// What a command works on: the active image view or contact-sheet view,
// each null when it is not the active window.
struct CommandContext {
    CPixadromeApp& app;
    CMainFrame& frame;
    CPixadromeView* view;
    CThumbnailView* sheet = nullptr;
};

struct MainFrameCommand {
    const char* name;
    const char* text;    // translated in the "CMainFrame" context
    const char* prompt;  // "status text\ntool tip"
    QKeySequence key;
    std::optional<QStyle::StandardPixmap> icon;
    std::function<void(const CommandContext&)> run;
    // Empty: always enabled.
    std::function<bool(const CommandContext&)> enabled;
    // Set for a command with a check mark: whether it is checked.
    std::function<bool(const CommandContext&)> checked;
};

const std::vector<MainFrameCommand>& MainFrameCommands();

// A menu as its title and the names of its commands in order; "-" is a
// separator, "recent" the recent-files submenu. "toolBarShown",
// "utilityBarShown" and "statusBarShown" are the main window's own
// show-or-hide items.
struct MenuLayout {
    const char* title;
    std::vector<const char*> items;
};
const std::vector<MenuLayout>& MainFrameMenus();
// The title of the menu shown only while a contact sheet is active.
inline constexpr const char* kSheetMenuTitle = "&Contact sheet";

// The tool bar's and the utility bar's commands ("-" a separator).
const std::vector<const char*>& MainFrameToolBar();
const std::vector<const char*>& MainFrameUtilityBar();

}  // namespace pix
