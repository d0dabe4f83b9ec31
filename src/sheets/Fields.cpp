#include "sheets/Fields.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fcntl.h>

#include "database/ContentKey.h"
#include "image/FormatTable.h"
#include "image/PhotoMetadata.h"

namespace pix {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool HasField(const std::string& text, std::string_view field)
{
    if (field.size() > text.size())
        return false;
    for (size_t i = 0; i + field.size() <= text.size(); ++i)
        if (EqualNoCase(std::string_view(text).substr(i, field.size()), field))
            return true;
    return false;
}

std::string Number(long long v) { return std::to_string(v); }

// The locale's date and time.
std::string LocalTime(time_t t)
{
    std::tm local{};
    if (!localtime_r(&t, &local))
        return "?";
    char text[128];
    const size_t n = std::strftime(text, sizeof text, "%c", &local);
    return std::string(text, n);
}

}  // namespace

bool QueryFileStatus(const std::string& path, FileStatus& status)
{
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return false;
    status.size = info.stx_size;
    status.modified = info.stx_mtime.tv_sec;
    // File systems that keep no birth time give the time of the last
    // status change instead.
    status.created = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_ctime.tv_sec;
    return true;
}

void ReplaceField(std::string& text, std::string_view field, std::string_view replacement)
{
    if (field.empty())
        return;
    for (size_t i = 0; i + field.size() <= text.size();) {
        if (EqualNoCase(std::string_view(text).substr(i, field.size()), field)) {
            text.replace(i, field.size(), replacement);
            i += replacement.size();
        } else {
            ++i;
        }
    }
}

std::string ShortFileSize(uint64_t s)
{
    auto tenths = [s](uint64_t unit) { return (s * 10 + 5) / unit - 10 * (s / unit); };
    char text[64];
    if (s < 1024)
        std::snprintf(text, sizeof text, "%llu Byte", static_cast<unsigned long long>(s));
    else if (s < 10240)
        std::snprintf(text, sizeof text, "%llu.%llu KB", static_cast<unsigned long long>(s / 1024),
                      static_cast<unsigned long long>(tenths(1024)));
    else if (s < 1048576)
        std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>((s + 512) / 1024));
    else
        std::snprintf(text, sizeof text, "%llu.%llu MB", static_cast<unsigned long long>(s / 1048576),
                      static_cast<unsigned long long>(tenths(1048576)));
    return text;
}

std::string TitleOf(const std::string& name)
{
    const size_t dot = name.find('.');
    return dot == 0 || dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ExpandLabelFields(const ThumbnailSheet& sheet, size_t position)
{
    std::string text = sheet.Settings().label;
    const uint32_t item = sheet.ItemAt(position);
    const std::string& path = sheet.Files()[item];
    const std::string name = ThumbnailSheet::FileNameOf(path);
    ReplaceField(text, "[FileName]", name);
    ReplaceField(text, "[FileTitle]", TitleOf(name));
    ReplaceField(text, "[FilePath]", path);
    ReplaceField(text, "[Label]", item < sheet.Labels().size() ? sheet.Labels()[item] : std::string());
    ReplaceField(text, "[ItemNo]", Number(static_cast<long long>(position) + 1));

    const bool wantsStatus = HasField(text, "[FileSize]") || HasField(text, "[ShortFileSize]") ||
                             HasField(text, "[FileCreated]") || HasField(text, "[FileModified]") ||
                             HasField(text, "[CRC32]");
    if (wantsStatus) {
        FileStatus status;
        if (QueryFileStatus(path, status)) {
            ReplaceField(text, "[FileSize]", Number(static_cast<long long>(status.size)));
            ReplaceField(text, "[ShortFileSize]", ShortFileSize(status.size));
            ReplaceField(text, "[FileCreated]", LocalTime(status.created));
            ReplaceField(text, "[FileModified]", LocalTime(status.modified));
        } else {
            for (const char* field : {"[FileSize]", "[ShortFileSize]", "[FileCreated]", "[FileModified]", "[CRC32]"})
                ReplaceField(text, field, "?");
        }
    }
    if (HasField(text, "[Width]") || HasField(text, "[Height]")) {
        uint32_t w = 0, h = 0;
        const bool known = QueryImageSize(path, w, h);
        ReplaceField(text, "[Width]", known ? Number(w) : "?");
        ReplaceField(text, "[Height]", known ? Number(h) : "?");
    }
    static constexpr std::string_view kPhotoFields[] = {"[DateTaken]", "[Camera]",   "[Lens]",       "[Exposure]",
                                                        "[Aperture]",  "[ISO]",      "[FocalLength]"};
    if (std::any_of(std::begin(kPhotoFields), std::end(kPhotoFields),
                    [&](std::string_view field) { return HasField(text, field); })) {
        const PhotoFacts facts = ReadPhotoFacts(path);
        ReplaceField(text, "[DateTaken]", facts.dateTaken);
        ReplaceField(text, "[Camera]", facts.camera);
        ReplaceField(text, "[Lens]", facts.lens);
        ReplaceField(text, "[Exposure]", facts.exposure);
        ReplaceField(text, "[Aperture]", facts.aperture);
        ReplaceField(text, "[ISO]", facts.iso);
        ReplaceField(text, "[FocalLength]", facts.focalLength);
    }
    if (HasField(text, "[CRC32]")) {
        std::string key = ContentKey(path);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        ReplaceField(text, "[CRC32]", key);
    }
    return text;
}

std::string ExpandPageFields(const std::string& text, const PageFieldValues& v)
{
    std::string out = text;
    const int m = v.itemsPerPage;
    const int n = v.itemCount;
    ReplaceField(out, "[PageNo]", Number(v.page));
    ReplaceField(out, "[PagesTotal]", Number(m == 0 ? 1 : (n - 1) / m + 1));
    ReplaceField(out, "[FileTitle]", TitleOf(v.documentTitle));
    ReplaceField(out, "[ItemsTotal]", Number(n));
    ReplaceField(out, "[FirstItemNo]", Number(static_cast<long long>(v.page - 1) * m + 1));
    ReplaceField(out, "[LastItemNo]", Number(m == 0 ? n : std::min<long long>(static_cast<long long>(v.page) * m, n)));
    return out;
}

std::string HtmlLineBreaks(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "<BR>\n";
            ++i;
        } else if (text[i] == '\n') {
            out += "<BR>\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace pix
