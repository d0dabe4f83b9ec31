#include "support/PhotoExif.h"

#include <exiv2/exiv2.hpp>

namespace pix::test {

bool WriteExif(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        Exiv2::XmpData xmp = image->xmpData();
        Exiv2::IptcData iptc = image->iptcData();
        for (const auto& [key, value] : entries) {
            if (key.rfind("Xmp.", 0) == 0)
                xmp[key] = value;
            else if (key.rfind("Iptc.", 0) == 0)
                iptc[key] = value;
            else
                exif[key] = value;
        }
        image->setExifData(exif);
        image->setXmpData(xmp);
        image->setIptcData(iptc);
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
        if (key.rfind("Xmp.", 0) == 0) {
            const auto it = image->xmpData().findKey(Exiv2::XmpKey(key));
            return it == image->xmpData().end() ? std::string() : it->toString();
        }
        if (key.rfind("Iptc.", 0) == 0) {
            const auto it = image->iptcData().findKey(Exiv2::IptcKey(key));
            return it == image->iptcData().end() ? std::string() : it->toString();
        }
        const auto it = image->exifData().findKey(Exiv2::ExifKey(key));
        return it == image->exifData().end() ? std::string() : it->toString();
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace pix::test
