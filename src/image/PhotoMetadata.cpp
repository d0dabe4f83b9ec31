#include "image/PhotoMetadata.h"

#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "image/CImageBuffer.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace pix {
namespace {

// Set up once, before the first use from any thread: Exiv2 reports what
// it skips on stderr unless told not to, its XMP parser must be set up
// before threads use it, and HEIF, AVIF and JPEG XL files are read only
// when asked for.
void Quieten()
{
    static const bool ready = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
        return true;
    }();
    (void)ready;
}

std::span<const uint8_t> TiffPart(std::span<const uint8_t> exif)
{
    static constexpr uint8_t kPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.size() >= sizeof kPrefix && std::memcmp(exif.data(), kPrefix, sizeof kPrefix) == 0)
        exif = exif.subspan(sizeof kPrefix);
    return exif;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    return text.substr(start);
}

std::string Text(const Exiv2::ExifData& exif, Exiv2::ExifData::const_iterator it)
{
    return it == exif.end() ? std::string() : Trimmed(it->toString());
}

// A number with at most one decimal, without a trailing ".0".
std::string Decimal(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string out(text);
    if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0)
        out.resize(out.size() - 2);
    return out;
}

double RationalValue(const Exiv2::ExifData& exif, Exiv2::ExifData::const_iterator it)
{
    if (it == exif.end() || it->count() < 1)
        return 0;
    const Exiv2::Rational r = it->toRational(0);
    return r.second > 0 && r.first > 0 ? static_cast<double>(r.first) / r.second : 0;
}

std::string Exposure(double seconds)
{
    if (seconds <= 0)
        return {};
    if (seconds >= 0.5)
        return Decimal(seconds) + " s";
    return "1/" + std::to_string(static_cast<long>(1 / seconds + 0.5)) + " s";
}

std::string Camera(const std::string& make, const std::string& model)
{
    if (model.empty() || model.compare(0, make.size(), make) == 0)
        return model.empty() ? make : model;
    return make.empty() ? model : make + " " + model;
}

// "YYYY:MM:DD HH:MM:SS" as the locale shows a date and time.
void ReadDate(const std::string& stamp, PhotoFacts& facts)
{
    std::tm when{};
    if (std::sscanf(stamp.c_str(), "%4d:%2d:%2d %2d:%2d:%2d", &when.tm_year, &when.tm_mon, &when.tm_mday,
                    &when.tm_hour, &when.tm_min, &when.tm_sec) != 6 ||
        when.tm_year < 1800 || when.tm_mon < 1 || when.tm_mon > 12 || when.tm_mday < 1 || when.tm_mday > 31 ||
        when.tm_hour > 23 || when.tm_min > 59 || when.tm_sec > 60)
        return;
    when.tm_year -= 1900;
    when.tm_mon -= 1;
    facts.takenSeconds = timegm(&when);
    char text[128];
    facts.dateTaken.assign(text, std::strftime(text, sizeof text, "%c", &when));
}

void ReadExif(const Exiv2::ExifData& exif, PhotoFacts& facts)
{
    ReadDate(Text(exif, Exiv2::dateTimeOriginal(exif)), facts);
    facts.camera = Camera(Text(exif, Exiv2::make(exif)), Text(exif, Exiv2::model(exif)));
    const auto lens = Exiv2::lensName(exif);
    if (lens != exif.end())
        facts.lens = Trimmed(lens->print(&exif));
    facts.exposure = Exposure(RationalValue(exif, Exiv2::exposureTime(exif)));
    if (const double f = RationalValue(exif, Exiv2::fNumber(exif)); f > 0)
        facts.aperture = "f/" + Decimal(f);
    const auto iso = Exiv2::isoSpeed(exif);
    if (iso != exif.end() && iso->count() > 0 && iso->toLong(0) > 0)
        facts.iso = std::to_string(iso->toLong(0));
    if (const double mm = RationalValue(exif, Exiv2::focalLength(exif)); mm > 0)
        facts.focalLength = Decimal(mm) + " mm";
}

}  // namespace

PhotoFacts ReadPhotoFacts(const std::string& path)
{
    PhotoFacts facts;
    Quieten();
    try {
        const auto image = Exiv2::ImageFactory::open(path);
        if (!image.get())
            return facts;
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        if (exif.empty()) {
            // Some programs keep the facts in XMP only.
            Exiv2::copyXmpToExif(image->xmpData(), exif);
        }
        ReadExif(exif, facts);
    } catch (...) {
        return PhotoFacts{};
    }
    return facts;
}

KeptMetadata ReadKeptMetadata(const std::string& path)
{
    KeptMetadata kept;
    Quieten();
    try {
        const auto image = Exiv2::ImageFactory::open(path);
        if (!image.get())
            return kept;
        image->readMetadata();
        if (!image->exifData().empty()) {
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, image->exifData());
            kept.exif.assign(blob.begin(), blob.end());
        }
        kept.xmp = image->xmpPacket();
        if (!image->iptcData().empty()) {
            const Exiv2::DataBuf iptc = Exiv2::IptcParser::encode(image->iptcData());
            kept.iptc.assign(iptc.pData_, iptc.pData_ + iptc.size_);
        }
        if (!CurrentLoadOptions().colourManaged && image->iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image->iccProfile();
            kept.iccProfile.assign(icc->pData_, icc->pData_ + icc->size_);
        }
    } catch (...) {
        return KeptMetadata{};
    }
    return kept;
}

namespace {

// The metadata as it fits the picture written: upright (when loads turn
// pictures), without the old thumbnail, and of its new size.
void Fit(Exiv2::ExifData& exif, Exiv2::XmpData& xmp, uint32_t width, uint32_t height)
{
    if (CurrentLoadOptions().upright) {
        if (exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
            exif["Exif.Image.Orientation"] = uint16_t{1};
        if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
            xmp["Xmp.tiff.Orientation"] = "1";
    }
    Exiv2::ExifThumb(exif).erase();
    if (!exif.empty()) {
        exif["Exif.Photo.PixelXDimension"] = width;
        exif["Exif.Photo.PixelYDimension"] = height;
    }
    const std::pair<const char*, uint32_t> sides[] = {{"Xmp.exif.PixelXDimension", width},
                                                      {"Xmp.exif.PixelYDimension", height}};
    for (const auto& [key, side] : sides)
        if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end())
            xmp[key] = std::to_string(side);
}

}  // namespace

bool WriteKeptMetadata(const KeptMetadata& kept, const std::string& path, uint32_t width, uint32_t height)
{
    if (kept.Empty())
        return true;
    const auto bytes = ReadFileBytes(path);
    if (!bytes || bytes->empty() || bytes->size() > static_cast<size_t>(std::numeric_limits<long>::max()))
        return false;
    Quieten();
    try {
        const auto image = Exiv2::ImageFactory::open(bytes->data(), static_cast<long>(bytes->size()));
        if (!image.get())
            return false;
        switch (image->imageType()) {
        case Exiv2::ImageType::jpeg:
        case Exiv2::ImageType::png:
        case Exiv2::ImageType::tiff:
        case Exiv2::ImageType::webp:
            break;
        default:
            return true;  // a format that holds no metadata
        }
        image->readMetadata();
        Exiv2::ExifData exif;
        if (!kept.exif.empty())
            Exiv2::ExifParser::decode(exif, kept.exif.data(), static_cast<uint32_t>(kept.exif.size()));
        Exiv2::XmpData xmp;
        if (!kept.xmp.empty())
            Exiv2::XmpParser::decode(xmp, kept.xmp);
        Exiv2::IptcData iptc;
        if (!kept.iptc.empty())
            Exiv2::IptcParser::decode(iptc, kept.iptc.data(), static_cast<uint32_t>(kept.iptc.size()));
        Fit(exif, xmp, width, height);
        image->setExifData(exif);
        image->setXmpData(xmp);
        image->setIptcData(iptc);
        if (!kept.iccProfile.empty()) {
            Exiv2::DataBuf icc(kept.iccProfile.data(), static_cast<long>(kept.iccProfile.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0)
            return false;
        const Exiv2::DataBuf out = io.read(static_cast<long>(io.size()));
        io.close();
        return out.size_ > 0 && WriteFileAtomically(path, out.pData_, static_cast<size_t>(out.size_));
    } catch (...) {
        return false;
    }
}

uint8_t ExifOrientation(std::span<const uint8_t> exif)
{
    exif = TiffPart(exif);
    if (exif.size() < 8 || exif.size() > std::numeric_limits<uint32_t>::max())
        return 0;
    Quieten();
    try {
        Exiv2::ExifData data;
        Exiv2::ExifParser::decode(data, exif.data(), static_cast<uint32_t>(exif.size()));
        const auto it = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it == data.end() || it->count() < 1)
            return 0;
        const long value = it->toLong(0);
        return value >= 1 && value <= 8 ? static_cast<uint8_t>(value) : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace pix
