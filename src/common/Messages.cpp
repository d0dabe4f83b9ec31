#include "common/Messages.h"

#include <array>

namespace pix {
namespace {

constexpr std::array<MessageSpec, static_cast<size_t>(MsgId::Count_)> kCatalogue{{
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

    {MsgId::DoesNotUnderstand, "Pixadrome doesn't understand %s", MsgIcon::Stop, MsgButtons::Ok},
    {MsgId::ShellOpenFailed, "%s", MsgIcon::Stop, MsgButtons::Ok, "Windows says:"},
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

const MessageSpec& Message(MsgId id) { return kCatalogue[static_cast<size_t>(id)]; }

}  // namespace pix
