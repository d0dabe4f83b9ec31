// Feeds arbitrary bytes to the database reader; what it refuses must leave
// the database as it was, what it accepts must answer queries and write
// back to the same bytes' records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "database/ImageDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageDatabase db;
    db.Append({"kept"});
    if (!db.Parse(data, size)) {
        if (db.Records() != std::vector<pix::CStrList>{{"kept"}})
            std::abort();
        return 0;
    }
    pix::CDbCursor cursor;
    if (db.FindFirst(cursor, "", false, -1)) {
        const std::string first = db.GetNext(cursor);
        cursor.SetKey({first});
        db.Exists(cursor, "path", 0);
    }
    const auto bytes = db.Serialize();
    pix::CImageDatabase again;
    if (!again.Parse(bytes.data(), bytes.size()) || again.Records() != db.Records())
        std::abort();
    return 0;
}
