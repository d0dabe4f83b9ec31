#include "database/ContentKey.h"

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

namespace pix {
namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : (c << 1);
        table[i] = c;
    }
    return table;
}
constexpr auto kTable = MakeTable();

}  // namespace

uint32_t UpdateCrc(uint32_t state, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        state = (state << 8) ^ kTable[(state >> 24) ^ data[i]];
    return state;
}

uint32_t Crc32(const uint8_t* data, size_t size) { return FinishCrc(UpdateCrc(kCrcInitial, data, size)); }

std::string CrcToKey(uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", crc & 0xFF, (crc >> 8) & 0xFF, (crc >> 16) & 0xFF,
                  (crc >> 24) & 0xFF);
    return text;
}

std::string ContentKey(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return {};
    std::vector<uint8_t> block(size_t{1} << 20);
    uint32_t state = kCrcInitial;
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), file.get());
        state = UpdateCrc(state, block.data(), got);
        if (got < block.size()) {
            if (std::ferror(file.get()))
                return {};
            break;
        }
    }
    return CrcToKey(FinishCrc(state));
}

}  // namespace pix
