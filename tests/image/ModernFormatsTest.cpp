// The WebP, AVIF, HEIF and JPEG XL rows against the formats' reference
// tools: files made by the reference encoders decode as the reference
// decoders decode them, files we write are read by the reference decoders,
// and the traits, hints and damaged files are answered as the rows say.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "image/AvifCodec.h"
#include "image/HeifCodec.h"
#include "image/JxlCodec.h"
#include "image/PngCodec.h"
#include "image/WebpCodec.h"

namespace pix {
namespace {

using test::Gradient;
using test::ReadAll;
using test::SamePixels;
using test::TempDir;

bool HaveTool(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    for (size_t at = 0; at <= dirs.size();) {
        const size_t end = std::min(dirs.find(':', at), dirs.size());
        if (::access((dirs.substr(at, end - at) + "/" + name).c_str(), X_OK) == 0)
            return true;
        at = end + 1;
    }
    return false;
}

// Runs a program with its output discarded; true when it exits with 0.
bool Run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A binary PPM as the reference decoders write it.
CImageBuffer ReadPpm(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadAll(path);
    unsigned w = 0, h = 0, maxval = 0;
    int header = 0;
    CImageBuffer buf;
    if (std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P6 %u %u %u%n", &w, &h, &maxval, &header) != 3 ||
        maxval != 255 || bytes.size() < static_cast<size_t>(header) + 1 + size_t{w} * h * 3 || !buf.Create(w, h))
        return buf;
    const uint8_t* p = bytes.data() + header + 1;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x, p += 3)
            buf.SetPixel(x, h - 1 - y, p[0], p[1], p[2]);
    return buf;
}

CImageBuffer ReadReference(const std::string& path)
{
    if (path.ends_with(".ppm"))
        return ReadPpm(path);
    CImageBuffer buf;
    ReadPng(path, 0, 0, buf, nullptr);
    return buf;
}

int MaxDifference(const CImageBuffer& a, const CImageBuffer& b)
{
    int most = 0;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t x = 0; x < a.Width() * 3; ++x)
            most = std::max(most, std::abs(a.Row(y)[x] - b.Row(y)[x]));
    return most;
}

// A command line with "IN" and "OUT" standing for the files.
using Command = std::vector<std::string>;

bool Run(Command command, const std::string& in, const std::string& out)
{
    for (std::string& arg : command)
        arg = arg == "IN" ? in : arg == "OUT" ? out : arg;
    return Run(command);
}

struct Format {
    const FormatRow& row;
    Command decode;           // the reference decoder
    const char* decodedName;  // what it writes: PPM or PNG
};

const Format kWebp{kWebpFormat, {"dwebp", "IN", "-ppm", "-o", "OUT"}, "ref.ppm"};
const Format kAvif{kAvifFormat, {"avifdec", "IN", "OUT"}, "ref.png"};
const Format kHeif{kHeifFormat, {"heif-convert", "IN", "OUT"}, "ref.png"};
const Format kJxl{kJxlFormat, {"djxl", "IN", "OUT"}, "ref.ppm"};

CImageBuffer ReferenceDecode(const Format& format, const std::string& file, const TempDir& dir)
{
    const std::string out = dir.File(format.decodedName);
    EXPECT_TRUE(Run(format.decode, file, out)) << format.decode[0] << " " << file;
    return ReadReference(out);
}

// Writes picture as PNG, the encoders' input, and encodes it to a file of
// the format; the file's path, or empty when a tool is missing.
std::string Encode(const Format& format, const Command& encode, const CImageBuffer& picture, const TempDir& dir)
{
    if (!HaveTool(encode[0]) || !HaveTool(format.decode[0]))
        return {};
    const std::string source = dir.File("source.png");
    const std::string file = dir.File("picture." + std::string(format.row.name));
    EXPECT_TRUE(WritePng(picture, source).Ok());
    EXPECT_TRUE(Run(encode, source, file)) << encode[0];
    return file;
}

TEST(ModernFormats, FilesOfTheReferenceEncodersDecodeAsTheReferenceDecoderDecodesThem)
{
    struct Case {
        const Format& format;
        Command encode;
        bool lossless;
    };
    const Case cases[] = {
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, true},
        {kWebp, {"cwebp", "-quiet", "-q", "70", "IN", "-o", "OUT"}, false},
        {kAvif, {"avifenc", "-l", "IN", "OUT"}, true},
        {kAvif, {"avifenc", "--min", "20", "--max", "30", "IN", "OUT"}, false},
        {kHeif, {"heif-enc", "-q", "70", "IN", "-o", "OUT"}, false},
        {kJxl, {"cjxl", "IN", "OUT", "-d", "0"}, true},
        {kJxl, {"cjxl", "IN", "OUT", "-d", "1.5"}, false},
    };
    const CImageBuffer picture = Gradient(33, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encode[0] + " " + c.encode[2]);
        TempDir dir;
        const std::string file = Encode(c.format, c.encode, picture, dir);
        if (file.empty()) {
            GTEST_LOG_(INFO) << "skipped: " << c.encode[0] << " or " << c.format.decode[0] << " is missing";
            continue;
        }
        CImageBuffer ours;
        c.format.row.read(file, 0, 0, ours, nullptr);
        const CImageBuffer reference = ReferenceDecode(c.format, file, dir);
        ASSERT_FALSE(ours.IsEmpty());
        ASSERT_EQ(ours.Width(), reference.Width());
        ASSERT_EQ(ours.Height(), reference.Height());
        EXPECT_LE(MaxDifference(ours, reference), 1);
        EXPECT_TRUE(!c.lossless || SamePixels(ours, picture));
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(c.format.row.size(file, width, height, nullptr));
        EXPECT_EQ(width, ours.Width());
        EXPECT_EQ(height, ours.Height());
    }
}

}  // namespace
}  // namespace pix
