#pragma once
// The catalogue of every user-facing message: its text (printf-style
// directives for the parts filled in at run time), icon and buttons.
// Code names messages by id and hands them to a Prompter.

#include <cstdint>
#include <string_view>

namespace pix {

enum class MsgIcon : uint8_t { None, Stop, Question, Information, Exclamation };
enum class MsgButtons : uint8_t { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer : uint8_t { Ok, Cancel, Yes, No };

enum class MsgId : uint16_t {
    // Image writers
    BmpCantOpenForWriting,
    BmpWriteError,
    BmpNo24BitPalette,
    BmpPaletteCantOpen,
    BmpTooManyBits,
    BmpSizeMismatch,
    GifNeeds256Colors,
    GifCantOpenForWriting,
    GifWriteError,
    GifTooLarge,
    JpegWriteError,
    JpegMemoryError,
    ImageWriteFailed,

    // Application and image documents
    DoesNotUnderstand,
    ShellOpenFailed,
    NoWebBrowser,
    WallpaperFailed,
    ConfirmOverwrite,
    ConfirmTrash,
    CopyFailed,
    MoveFailed,
    TrashFailed,
    MailFailed,
    SaveChanges,
    JpegCopyFailed,
    IntegerRange,
    MosaicNoSources,
    MosaicTooFewSources,
    PxfWriteFailed,
    AssociationCreateFailed,
    AssociationRemoveFailed,
    AssociationSetFailed,
    ScanProblem,
    NoValidFileType,

    // Image database
    NotADatabase,
    NowUsingDatabase,
    TooManyResultWindows,
    NoMatchesFound,
    NoSimilarImage,
    AttributeExists,
    ConfirmDeleteAttribute,
    FileNotAccessibleRemove,
    FileNotAccessible,
    DuplicateFoundNewPath,
    DeleteDuplicateAt,
    DeleteCopyAt,
    LocateResult,
    AllFilesFound,
    RemovedFiles,
    RemoveFromDatabase,

    // Contact sheets
    NotEnoughMemory,
    NotEnoughMemoryFewerFiles,
    ThumbnailsReduced,
    FormatCouldNotWrite,
    FormatCouldNotRead,
    FormatDamaged,
    SheetDamaged,
    UseFormatAsDefault,
    MustBeImageFile,
    DiscardLabels,
    ConfirmTrashFiles,
    SheetWriteFailed,
    SheetChangedOnDisk,

    // Reviewing duplicates
    ReviewConfirmTrash,
    ReviewApplyOnClose,
    ReviewFileChanged,
    ReviewLastCopyStays,
    VerdictsWriteFailed,

    Count_
};

struct MessageEntry {
    MsgId id;
    std::string_view text;  // may hold %d, %u, %s, %x and %% directives
    MsgIcon icon;
    MsgButtons buttons;
    std::string_view title = "Pixadrome";  // caption of the message box
};

// The entry of a message; every id has one.
const MessageEntry& Message(MsgId id);

}  // namespace pix
