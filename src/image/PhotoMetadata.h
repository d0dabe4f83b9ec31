#pragma once
// A photo's metadata (EXIF, XMP, IPTC) as the program uses it. Everything
// here is read with Exiv2; no Exiv2 type leaves this adapter, and damaged
// or hostile metadata only makes a function tell less.

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

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

}  // namespace pix
