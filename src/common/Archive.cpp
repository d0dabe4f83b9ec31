#include "common/Archive.h"

namespace pix {

void ArchiveWriter::Raw(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
}

void ArchiveWriter::Count(uint32_t count)
{
    if (count < 0xFFFF) {
        U16(static_cast<uint16_t>(count));
    } else {
        U16(0xFFFF);
        U32(count);
    }
}

void ArchiveWriter::String(std::string_view text)
{
    const size_t length = text.size();
    if (length < 255) {
        U8(static_cast<uint8_t>(length));
    } else if (length < 0xFFFE) {
        U8(0xFF);
        U16(static_cast<uint16_t>(length));
    } else {
        U8(0xFF);
        U16(0xFFFF);
        U32(static_cast<uint32_t>(length));
    }
    Raw(text.data(), length);
}

void ArchiveWriter::StringList(const std::vector<std::string>& list)
{
    Count(static_cast<uint32_t>(list.size()));
    for (const auto& s : list)
        String(s);
}

void ArchiveWriter::NewClassTag(uint16_t schema, std::string_view className)
{
    U16(0xFFFF);
    U16(schema);
    U16(static_cast<uint16_t>(className.size()));
    Raw(className.data(), className.size());
}

uint32_t ArchiveReader::Count()
{
    const uint16_t shortCount = U16();
    if (shortCount != 0xFFFF)
        return shortCount;
    return U32();
}

bool ArchiveReader::Length(uint32_t& length, bool& wide)
{
    wide = false;
    for (;;) {
        const uint8_t b = U8();
        if (Failed())
            return false;
        if (b < 0xFF) {
            length = b;
            return true;
        }
        const uint16_t w = U16();
        if (Failed())
            return false;
        if (w == 0xFFFE) {
            // 16-bit characters follow; the real length comes next. A second
            // marker is not a valid length.
            if (wide) {
                failed_ = true;
                return false;
            }
            wide = true;
            continue;
        }
        if (w < 0xFFFF) {
            length = w;
            return true;
        }
        length = U32();
        if (Failed() || length == 0xFFFFFFFF) {  // the 64-bit form is not ours
            failed_ = true;
            return false;
        }
        return true;
    }
}

bool ArchiveReader::StringView(std::string_view& out, std::string& scratch)
{
    uint32_t length = 0;
    bool wide = false;
    if (!Length(length, wide))
        return false;
    if (!wide) {
        if (length > in_.Remaining()) {
            failed_ = true;
            return false;
        }
        out = std::string_view(reinterpret_cast<const char*>(in_.Current()), length);
        in_.Skip(length);
        return true;
    }
    if (length > in_.Remaining() / 2) {
        failed_ = true;
        return false;
    }
    std::vector<uint16_t> units(length);
    for (auto& u : units)
        u = U16();
    scratch = Utf16ToUtf8(units.data(), units.size());
    out = scratch;
    return !Failed();
}

bool ArchiveReader::String(std::string& out)
{
    std::string_view view;
    std::string scratch;
    if (!StringView(view, scratch))
        return false;
    out.assign(view);
    return true;
}

bool ArchiveReader::StringList(std::vector<std::string>& out)
{
    out.clear();
    const uint32_t count = Count();
    // Every string takes at least one byte.
    if (Failed() || count > in_.Remaining()) {
        failed_ = true;
        return false;
    }
    out.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string s;
        if (!String(s))
            return false;
        out.push_back(std::move(s));
    }
    return true;
}

bool ArchiveReader::ObjectTag(std::string_view className, uint16_t schema, int& classesSeen)
{
    const uint16_t tag = U16();
    if (Failed())
        return false;
    uint32_t classIndex = 0;
    if (tag == 0xFFFF) {
        const uint16_t readSchema = U16();
        const uint16_t nameLength = U16();
        if (Failed() || nameLength >= 64 || nameLength > in_.Remaining()) {
            failed_ = true;
            return false;
        }
        const std::string_view name(reinterpret_cast<const char*>(in_.Current()), nameLength);
        const bool sameClass = name == className;
        in_.Skip(nameLength);
        // A stream of one class introduces it once, as its first object.
        if (!sameClass || readSchema != schema || classesSeen != 0) {
            failed_ = true;
            return false;
        }
        classesSeen = 1;
        return true;
    }
    if (tag == 0x7FFF) {
        const uint32_t big = U32();
        if (Failed() || !(big & 0x80000000u)) {
            failed_ = true;
            return false;
        }
        classIndex = big & 0x7FFFFFFFu;
    } else if (tag & 0x8000) {
        classIndex = tag & 0x7FFFu;
    } else {
        // The null tag and object back-references are not valid here.
        failed_ = true;
        return false;
    }
    // The class takes stream index 1 when it was introduced.
    if (classesSeen < 1 || classIndex != 1) {
        failed_ = true;
        return false;
    }
    return true;
}

std::string Utf16ToUtf8(const uint16_t* units, size_t count)
{
    std::string out;
    out.reserve(count);
    auto put = [&out](uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    };
    for (size_t i = 0; i < count; ++i) {
        const uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            put(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            put(0xFFFD);
        } else {
            put(u);
        }
    }
    return out;
}

}  // namespace pix
