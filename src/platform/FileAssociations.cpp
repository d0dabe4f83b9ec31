#include "platform/FileAssociations.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"

namespace pix {
namespace {

struct Extension {
    const char* extension;
    const char* type;
};

// The extensions we open, in the dialog's order, with their MIME types.
// "jfif" and "tiff" come last: the desktop gives them to the JPEG and TIFF
// types, which are claimed and given back as a whole.
constexpr Extension kExtensions[] = {
    {"jpg", "image/jpeg"}, {"jpe", "image/jpeg"}, {"jif", "image/jpeg"}, {"jpeg", "image/jpeg"},
    {"gif", "image/gif"},  {"bmp", "image/bmp"},  {"dib", "image/bmp"},  {"wmf", "image/wmf"},
    {"png", "image/png"},  {"tif", "image/tiff"}, {"jfif", "image/jpeg"}, {"tiff", "image/tiff"},
    // today's formats, after those the program always opened
    {"webp", "image/webp"}, {"avif", "image/avif"}, {"heic", "image/heif"}, {"heif", "image/heif"},
    {"jxl", "image/jxl"},
};

const QString kOurs = QString::fromLatin1(kDesktopFileId);

// The user file's default line of type without our id.
QStringList OthersInUserLine(const XdgFolders& xdg, const QString& type)
{
    QStringList ids = UserDefaults(xdg, type);
    ids.removeAll(kOurs);
    return ids;
}

}  // namespace

FileAssociations::FileAssociations(SettingsStore& settings, XdgFolders xdg) : settings_(settings), xdg_(std::move(xdg))
{
}

bool FileAssociations::OursInstalled() const { return IsInstalled(xdg_, kOurs); }

bool FileAssociations::Claim(const QString& type, const QString& previous, bool keepRecords)
{
    if (!OursInstalled() ||
        SetUserDefaults(xdg_, type, QStringList{kOurs} + OthersInUserLine(xdg_, type)) != ListWrite::Written)
        return false;
    // The previous owner is recorded only once the claim is written: an
    // extension whose claim failed (not installed yet, a list we may not
    // write) is claimed again at the next start.
    for (const Extension& e : kExtensions)
        if (type == QLatin1String(e.type) && !(keepRecords && settings_.ReadString(settings::kSettings, e.extension)))
            settings_.WriteString(settings::kSettings, e.extension, previous.toStdString());
    return true;
}

std::optional<MsgId> FileAssociations::GiveBack(const QString& type, const QString& previous)
{
    QStringList line = OthersInUserLine(xdg_, type);
    // The previous owner goes first unless it opens the type again anyway.
    if (!previous.isEmpty() && DefaultEntry(xdg_, type, line) != previous) {
        line.removeAll(previous);
        line.prepend(previous);
    }
    switch (SetUserDefaults(xdg_, type, line)) {
    case ListWrite::Written:
        return std::nullopt;
    case ListWrite::Unreadable:
        return MsgId::AssociationRemoveFailed;
    case ListWrite::NotWritable:
        break;
    }
    return MsgId::AssociationSetFailed;
}

void FileAssociations::ClaimAtStartup()
{
    if (!OursInstalled())
        return;
    QStringList done;
    for (const Extension& extension : kExtensions) {
        const QString type = QString::fromLatin1(extension.type);
        if (done.contains(type))
            continue;  // claimed with the first extension of its type
        done << type;
        const QString owner = DefaultEntry(xdg_, type);
        if (owner == kOurs)
            continue;
        const bool unrecorded = std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const Extension& e) {
            return type == QLatin1String(e.type) && !settings_.ReadString(settings::kSettings, e.extension);
        });
        if (unrecorded)
            Claim(type, owner, true);
    }
}

std::vector<AssociationRow> FileAssociations::Open()
{
    std::vector<AssociationRow> rows;
    for (const Extension& e : kExtensions) {
        AssociationRow row;
        row.extension = QString::fromLatin1(e.extension);
        row.type = QString::fromLatin1(e.type);
        const QString owner = DefaultEntry(xdg_, row.type);
        row.belonged = row.ticked = owner == kOurs;
        if (row.belonged) {
            row.previous = QString::fromStdString(settings_.GetString(settings::kSettings, e.extension, ""));
        } else {
            // Whatever opens it now is what we give it back to. An
            // extension never claimed keeps no record, so that the start-up
            // still claims it.
            row.previous = owner;
            if (settings_.ReadString(settings::kSettings, e.extension))
                settings_.WriteString(settings::kSettings, e.extension, owner.toStdString());
        }
        const std::optional<DesktopEntry> entry = FindDesktopEntry(xdg_, row.previous);
        row.description = entry && !entry->name.isEmpty() ? entry->name : row.extension + QStringLiteral(" file");
        rows.push_back(std::move(row));
    }
    return rows;
}

void FileAssociations::Toggle(std::vector<AssociationRow>& rows, size_t row)
{
    const bool ticked = !rows.at(row).ticked;
    for (AssociationRow& r : rows)
        if (r.type == rows[row].type)
            r.ticked = ticked;
}

QString FileAssociations::ShownDescription(const AssociationRow& row)
{
    return row.ticked ? QStringLiteral("Image (Pixadrome)") : row.description;
}

std::vector<MsgId> FileAssociations::Apply(const std::vector<AssociationRow>& rows)
{
    std::vector<MsgId> failures;
    QStringList done;
    for (const AssociationRow& row : rows) {
        if (row.ticked == row.belonged || done.contains(row.type))
            continue;
        done << row.type;
        if (row.ticked) {
            if (!Claim(row.type, row.previous, false))
                failures.push_back(MsgId::AssociationCreateFailed);
        } else if (const std::optional<MsgId> failure = GiveBack(row.type, row.previous)) {
            failures.push_back(*failure);
        }
    }
    return failures;
}

}  // namespace pix
