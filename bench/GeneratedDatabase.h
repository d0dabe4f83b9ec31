#pragma once
// Generated collections for the database benchmarks. Photos: per photo
// (key, "path", P) and two attribute records (a colour of four, a year of
// 25). Files: per file (key, "path", P) and one attribute record.

#include <string>

#include "database/ContentKey.h"
#include "database/ImageDatabase.h"

namespace pix::bench {

enum Shape { kPhotos = 0, kFiles = 1 };

inline std::string KeyOf(int i) { return pix::CrcToKey(static_cast<uint32_t>(i) * 2654435761u); }

inline std::string PathOf(int i)
{
    return "/home/user/Pictures/" + std::to_string(i / 500) + "/IMG_" + std::to_string(i) + ".jpg";
}

inline const char* const kColours[] = {"Red", "Green", "Blue", "Grey"};

inline void Generate(pix::CImageDatabase& db, int records, Shape shape)
{
    if (shape == kPhotos) {
        for (int i = 0; i < records / 3; ++i) {
            const std::string key = KeyOf(i);
            db.Append({key, "path", PathOf(i)});
            db.Append({key, "Attributes", "Colour", kColours[i % 4]});
            db.Append({key, "Attributes", "Year", std::to_string(2000 + i % 25)});
        }
        return;
    }
    for (int i = 0; i < records / 2; ++i) {
        const std::string key = KeyOf(i);
        db.Append({key, "path", PathOf(i)});
        if (i % 2)
            db.Append({key, "Attributes", "Colour", kColours[i % 4]});
        else
            db.Append({key, "Attributes", "Year", std::to_string(2000 + i % 25)});
    }
}

}  // namespace pix::bench
