#include "database/DuplicateFacts.h"

#include <filesystem>

#include "database/SignatureCache.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PhotoMetadata.h"

namespace pix {

PictureFacts FactsOfPicture(const std::string& path)
{
    PictureFacts facts;
    facts.path = path;
    facts.folder = std::filesystem::path(path).parent_path().string();
    const std::optional<FileStamp> stamp = StampOfFile(path);
    if (!stamp)
        return facts;
    facts.present = true;
    facts.fileSize = stamp->size;
    facts.modified = stamp->modified;
    if (const FormatRow* row = FormatForPath(path))
        facts.format = std::string(row->name);
    QueryImageSize(path, facts.width, facts.height);
    const PhotoFacts photo = ReadPhotoFacts(path);
    facts.dateTaken = photo.dateTaken;
    facts.takenSeconds = photo.takenSeconds;
    return facts;
}

bool Unchanged(const PictureFacts& facts)
{
    const std::optional<FileStamp> stamp = StampOfFile(facts.path);
    return facts.present && stamp && stamp->size == facts.fileSize && stamp->modified == facts.modified;
}

size_t SuggestedKeeper(const std::vector<PictureFacts>& members)
{
    auto better = [](const PictureFacts& a, const PictureFacts& b) {
        const uint64_t pixelsA = uint64_t{a.width} * a.height, pixelsB = uint64_t{b.width} * b.height;
        if (pixelsA != pixelsB)
            return pixelsA > pixelsB;
        if (a.fileSize != b.fileSize)
            return a.fileSize > b.fileSize;
        // A date beats none; of two dates the earlier.
        if ((a.takenSeconds != 0) != (b.takenSeconds != 0))
            return a.takenSeconds != 0;
        return a.takenSeconds < b.takenSeconds;
    };
    size_t keeper = 0;
    for (size_t i = 1; i < members.size(); ++i)
        if (members[i].present && (!members[keeper].present || better(members[i], members[keeper])))
            keeper = i;
    return keeper;
}

}  // namespace pix
