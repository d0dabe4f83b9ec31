#include "sheets/HtmlEscape.h"

namespace pix {

namespace {

// Bytes a path segment may hold as they are (RFC 3986 "pchar" without
// percent signs), besides the space and non-ASCII bytes that pages have
// always carried raw.
bool KeptInSegment(unsigned char c)
{
    if (c >= 0x80 || c == ' ')
        return true;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-': case '.': case '_': case '~':                                          // unreserved
    case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+':  // sub-delims
    case ',': case ';': case '=':
    case ':': case '@':
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string HtmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string HtmlLink(std::string_view relative)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url;
    url.reserve(relative.size());
    // A colon before the first "/" would make the name a scheme.
    const size_t firstSlash = relative.find('/');
    if (relative.substr(0, firstSlash).find(':') != std::string_view::npos)
        url += "./";
    for (char ch : relative) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || KeptInSegment(c)) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return HtmlEscaped(url);
}

}  // namespace pix
