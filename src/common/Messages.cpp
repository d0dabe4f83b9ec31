#include "common/Messages.h"

#include <array>

namespace pix {
namespace {

constexpr std::array<MessageEntry, static_cast<size_t>(MsgId::Count_)> kCatalogue{{
    {MsgId::BmpCantOpenForWriting, "Can't open file for writing", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::BmpWriteError, "fwrite error\nGiving up", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::BmpNo24BitPalette, "We don't do 24-bit files in here, sorry", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::BmpPaletteCantOpen, "Can't Open", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::BmpTooManyBits, "?????nBits > 8????", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::BmpSizeMismatch, "byteswritten != filesize", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::GifNeeds256Colors, "Failed to make 256 color image", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::GifCantOpenForWriting, "Can't open GIF for writing", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::GifWriteError, "Write Error in GIF file", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::GifTooLarge, "A GIF picture is at most 65535 pixels wide and 65535 pixels high", MsgIcon::Stop,
     MsgButtons::Ok},
    {MsgId::JpegWriteError, "Write Error", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::JpegMemoryError, "~DWORD Memory Error", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::ImageWriteFailed, "Could not write %s:\n%s", MsgIcon::Stop, MsgButtons::Ok},

    {MsgId::DoesNotUnderstand, "Pixadrome doesn't understand %s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::ShellOpenFailed, "%s", MsgIcon::Stop, MsgButtons::Ok, "The system says:"},
    {MsgId::NoWebBrowser, "Could not launch web browser.", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::WallpaperFailed, "Could not write wallpaper bitmap to\n%s", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::ConfirmOverwrite, "%s already exists.\nDo you want to replace it?", MsgIcon::Question,
     MsgButtons::YesNo},
    {MsgId::ConfirmTrash, "Do you want to move %s to the trash?", MsgIcon::Question, MsgButtons::YesNo},
    {MsgId::CopyFailed, "Could not copy %s to %s:\n%s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::MoveFailed, "Could not move %s to %s:\n%s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::TrashFailed, "Could not move %s to the trash.", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::MailFailed, "Could not start the mail program.", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::SaveChanges, "Save changes to %s?", MsgIcon::Exclamation, MsgButtons::YesNoCancel},
    {MsgId::JpegCopyFailed, "Could not write file %s %d", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::IntegerRange, "Please enter an integer between %d and %d.", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::MosaicNoSources, "You must provide at least one source image.", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::MosaicTooFewSources, "You need more source images to cover this number of rows and columns.",
     MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::PxfWriteFailed, "Could not write %s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::AssociationCreateFailed, "ERROR create", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::AssociationRemoveFailed, "ERROR remove", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::AssociationSetFailed, "ERROR SetNew", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::ScanProblem, "There's a problem connecting to your scanner or camera:\r\n%s", MsgIcon::Exclamation,
     MsgButtons::Ok},
    {MsgId::NoValidFileType, "%s\nNo valid filetype.", MsgIcon::Exclamation, MsgButtons::Ok},

    {MsgId::NotADatabase, "Not a Pixadrome database!\n%s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::NowUsingDatabase, "Now using database\n%s", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::TooManyResultWindows,
     "There are more matches, but there would be too many result windows.\nDeal with these first, or use a "
     "tighter similarity tolerance.",
     MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::NoMatchesFound, "No matches found.", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::NoSimilarImage, "No similar image found.", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::AttributeExists, "The attribute already exists.", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::ConfirmDeleteAttribute, "Delete \"%s\" for all files ?", MsgIcon::Question, MsgButtons::OkCancel},
    {MsgId::FileNotAccessibleRemove, "The file\n%s\ncould not be accessed.\nRemove file from Database ?",
     MsgIcon::Question, MsgButtons::YesNo},
    {MsgId::FileNotAccessible, "The file\n%s\ncould not be accessed.\n", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::DuplicateFoundNewPath, "Duplicate found at %s\nIs the new path %s ?", MsgIcon::Question,
     MsgButtons::YesNo},
    {MsgId::DeleteDuplicateAt, "Delete the duplicate at %s ?", MsgIcon::Question, MsgButtons::YesNo},
    {MsgId::DeleteCopyAt, "Delete this copy at %s ?", MsgIcon::Question, MsgButtons::YesNo},
    {MsgId::LocateResult, "Scanned %d files\r\nFound %d in database\r\nUpdated %d paths", MsgIcon::Information,
     MsgButtons::Ok},
    {MsgId::AllFilesFound, "All files where found on disk.", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::RemovedFiles, "Removed %d of %d files", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::RemoveFromDatabase, "Remove these files from the database ?\n%s", MsgIcon::Question,
     MsgButtons::OkCancel, "Compacting"},

    {MsgId::NotEnoughMemory, "Not enough Memory", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::NotEnoughMemoryFewerFiles, "Not enough memory. Maybe you can select fewer files.", MsgIcon::Stop,
     MsgButtons::Ok},
    {MsgId::ThumbnailsReduced,
     "Thumbnails will be only %dx%d due to the large number of images.\nProceed anyway?", MsgIcon::Question,
     MsgButtons::OkCancel},
    {MsgId::FormatCouldNotWrite, "Could not write %s", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::FormatCouldNotRead, "Could not read %s", MsgIcon::Information, MsgButtons::Ok},
    {MsgId::FormatDamaged, "%s\nis damaged or not a thumbnail format.", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::SheetDamaged, "%s\nis damaged or not a contact sheet.", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::UseFormatAsDefault, "Use %s's format with all new contact sheets ?", MsgIcon::Question,
     MsgButtons::OkCancel},
    {MsgId::MustBeImageFile, "Must be an image file.", MsgIcon::Exclamation, MsgButtons::Ok},
    {MsgId::DiscardLabels, "Current labels will be discarded. Continue?", MsgIcon::Question, MsgButtons::YesNo},
    {MsgId::ConfirmTrashFiles, "Do you want to move these %d files to the trash?", MsgIcon::Question,
     MsgButtons::YesNo},
    {MsgId::SheetWriteFailed, "Could not write %s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::SheetChangedOnDisk, "%s has been changed by another program. Overwrite it?", MsgIcon::Question,
     MsgButtons::YesNo},
    {MsgId::ReviewConfirmTrash, "Move %d of the reviewed files to the trash?", MsgIcon::Question, MsgButtons::YesNo},
    {MsgId::ReviewApplyOnClose,
     "Apply the marks of this review before closing (%d of the reviewed files to the trash)?", MsgIcon::Question,
     MsgButtons::YesNoCancel},
    {MsgId::ReviewFileChanged, "%s has changed since the search and stays where it is.", MsgIcon::Exclamation,
     MsgButtons::Ok},
    {MsgId::ReviewLastCopyStays, "%s stays where it is: no other copy of it is left.", MsgIcon::Exclamation,
     MsgButtons::Ok},
    {MsgId::VerdictsWriteFailed, "Could not write %s", MsgIcon::Stop, MsgButtons::Ok},
}};

constexpr bool CatalogueInIdOrder()
{
    for (size_t i = 0; i < kCatalogue.size(); ++i)
        if (static_cast<size_t>(kCatalogue[i].id) != i)
            return false;
    return true;
}
static_assert(CatalogueInIdOrder(), "every message id needs its entry, in id order");

}  // namespace

const MessageEntry& Message(MsgId id) { return kCatalogue[static_cast<size_t>(id)]; }

}  // namespace pix
