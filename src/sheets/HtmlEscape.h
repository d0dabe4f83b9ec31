#pragma once
// Text and links of a web page made safe for any file name or label: text
// cannot open markup, and a link cannot leave its attribute, become a
// scheme or lose part of a name to "#" or "?". Names made of letters,
// digits, spaces, "-", "_", ".", "/" and non-ASCII letters come out
// unchanged.

#include <string>
#include <string_view>

namespace pix {

// "&", "<", ">", "\"" and "'" as character references.
std::string HtmlEscaped(std::string_view text);

// A relative link (path segments separated by "/") as a URL: bytes that
// have no place in a path segment are percent-encoded (spaces and
// non-ASCII bytes stay as they are), and a first segment holding ":" gets
// "./" in front. The result is also escaped for an attribute value.
std::string HtmlLink(std::string_view relative);

}  // namespace pix
