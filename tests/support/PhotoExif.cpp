#include "support/PhotoExif.h"

#include <exiv2/exiv2.hpp>

namespace pix::test {

bool WriteExif(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        for (const auto& [key, value] : entries)
            exif[key] = value;
        image->setExifData(exif);
        image->writeMetadata();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string ReadExifEntry(const std::string& path, const std::string& key)
{
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? std::string() : it->toString();
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace pix::test
