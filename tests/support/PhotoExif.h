#pragma once
// Photos with EXIF facts, written as a camera would have.

#include <string>
#include <utility>
#include <vector>

namespace pix::test {

// Sets metadata entries ("Exif.Photo.DateTimeOriginal", "2021:06:05
// 14:30:00"; "Xmp..." and "Iptc..." keys too) in the picture at path;
// false when they could not be written.
bool WriteExif(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries);

// One metadata entry of the picture at path, as text; empty when it has none.
std::string ReadExifEntry(const std::string& path, const std::string& key);

}  // namespace pix::test
