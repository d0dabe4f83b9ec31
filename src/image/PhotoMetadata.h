#pragma once
// A photo's metadata (EXIF, XMP, IPTC) as the program uses it. Everything
// here is read with Exiv2; no Exiv2 type leaves this adapter, and damaged
// or hostile metadata only makes a function tell less.

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

namespace pix {

// The EXIF orientation (1..8) in an EXIF block that starts with its TIFF
// header, or with "Exif\0\0" and then the header. 0 when the block tells
// none or cannot be read.
uint8_t ExifOrientation(std::span<const uint8_t> exif);

// What a photo tells about its taking, as texts to show; empty where the
// file tells nothing.
struct PhotoFacts {
    std::string dateTaken;    // the locale's date and time
    std::string camera;       // maker and model: "Canon EOS 5D"
    std::string lens;
    std::string exposure;     // "1/125 s", "2 s"
    std::string aperture;     // "f/2.8"
    std::string iso;          // "200"
    std::string focalLength;  // "35 mm"
    // When the photo was taken, as its clock showed it (no time zone is
    // known), in seconds as if that were UTC: for ordering. 0 when none.
    std::time_t takenSeconds = 0;
};

// Reads the facts of the photo at path (EXIF, or its XMP copy where EXIF
// says nothing); all empty for files without them or that cannot be read.
PhotoFacts ReadPhotoFacts(const std::string& path);

// A photo's metadata held in memory, to be written into another file.
struct KeptMetadata {
    std::vector<uint8_t> exif;        // starting with its TIFF header
    std::string xmp;                  // the XMP packet
    std::vector<uint8_t> iptc;        // the IPTC datasets
    std::vector<uint8_t> iccProfile;  // kept only while loads leave colours as stored
    bool Empty() const { return exif.empty() && xmp.empty() && iptc.empty() && iccProfile.empty(); }
};

// Reads the metadata of the picture at path to keep; empty for files
// without any or that cannot be read.
KeptMetadata ReadKeptMetadata(const std::string& path);

// Writes kept metadata into the picture just written at path, when its
// format holds metadata (JPEG, PNG, TIFF, WebP): the orientation becomes 1
// while loads turn pictures upright, the embedded thumbnail is dropped and
// the pixel size becomes width × height. The file is replaced whole; false,
// leaving it as it was, when that fails.
bool WriteKeptMetadata(const KeptMetadata& kept, const std::string& path, uint32_t width, uint32_t height);

}  // namespace pix
