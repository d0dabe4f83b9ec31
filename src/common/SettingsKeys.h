#pragma once
// Every settings section and key of the program, with the defaults of the
// integer keys. String keys whose default is "the current folder" or "the
// database beside the program" take it from the caller.

namespace pix::settings {

inline constexpr const char* kSettings = "Settings";
inline constexpr const char* kState = "State";
inline constexpr const char* kStateBars = "State\\Bars";
inline constexpr const char* kSlides = "Slides";
inline constexpr const char* kThumbnails = "Thumbnails";
inline constexpr const char* kRecentFiles = "Recent File List";
inline constexpr const char* kScanner = "Scanner";
inline constexpr const char* kView = "View";
inline constexpr const char* kEdit = "Edit";

struct IntKey {
    const char* section;
    const char* key;
    int fallback;
};
struct StringKey {
    const char* section;
    const char* key;
};

// "Settings"
inline constexpr StringKey kDbPath{kSettings, "dbpath"};
inline constexpr IntKey kPageWidth{kSettings, "DRes_W", 1024};
inline constexpr IntKey kPageHeight{kSettings, "DRes_H", 768};
inline constexpr IntKey kPrintQuality{kSettings, "PrintQuality", 0};
// Whether pictures are turned upright as their orientation says, and
// brought from their embedded colour profile to sRGB, when loaded.
inline constexpr IntKey kAutoRotate{kSettings, "AutoRotate", 1};
inline constexpr IntKey kColourManaged{kSettings, "ColourManaged", 1};

// "State"
inline constexpr StringKey kSrcDir{kState, "SrcDir"};
inline constexpr IntKey kSrcFilter{kState, "SrcFilter", 1};
inline constexpr StringKey kDestDir{kState, "DestDir"};
inline constexpr StringKey kDestExtCS{kState, "DestExtCS"};  // default ".pxc"
inline constexpr IntKey kDestFilterCS{kState, "DestFilterCS", 1};
inline constexpr StringKey kTfmDir{kState, "TfmDir"};
inline constexpr IntKey kDbPane{kState, "dbPane", 0};
inline constexpr IntKey kDbPaneWidth{kState, "dbPaneWidth", 100};

// "Thumbnails" (the format's keys are in sheets/ThumbnailKeys.h): whether
// new sheets read and write the desktop's thumbnail cache.
inline constexpr IntKey kUseDesktopCache{kThumbnails, "UseDesktopCache", 1};

// "Slides"
inline constexpr IntKey kSlideDelay{kSlides, "Spd", 3000};
inline constexpr IntKey kSlideFit{kSlides, "Stf", 1};
inline constexpr IntKey kSlideRandom{kSlides, "Rnd", 0};

// "Scanner": the chosen device and the options of the last scan
inline constexpr StringKey kScanDevice{kScanner, "Device"};
inline constexpr StringKey kScanMode{kScanner, "Mode"};
inline constexpr StringKey kScanResolution{kScanner, "Resolution"};
inline constexpr StringKey kScanSource{kScanner, "Source"};

inline constexpr int kRecentFileCount = 8;

// "View": a picture larger than its window opens fitted to it (0: at 1:1).
inline constexpr IntKey kOpenFitted{kView, "OpenFitted", 1};
// A new sheet window fills the main window's work area, or takes the size
// the user last dragged a sheet window to (0 x 0: none yet); 0 narrows it
// to two columns of thumbnails.
inline constexpr IntKey kSheetWindowFill{kView, "SheetWindowFill", 1};
inline constexpr IntKey kSheetWindowWidth{kView, "SheetWindowWidth", 0};
inline constexpr IntKey kSheetWindowHeight{kView, "SheetWindowHeight", 0};

// "Edit": the memory the steps back through an image's edits may hold,
// in megabytes.
inline constexpr IntKey kHistoryMB{kEdit, "HistoryMB", 512};

}  // namespace pix::settings
