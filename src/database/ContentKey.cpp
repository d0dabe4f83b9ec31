#include "database/ContentKey.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PIX_CRC_CLMUL 1
#endif

// Two ways to the same checksum. Without a carry-less multiply the bytes go
// through eight tables at once ("slicing by 8": table k holds the CRC of a
// byte followed by k zero bytes). With one, 16-byte blocks are folded
// together as polynomials over GF(2) and only the last 16 bytes and the tail
// go through the tables. Both give exactly the result of the one-table,
// byte-at-a-time loop.

namespace pix {
namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;

// Eight tables of 256 entries: kTables[0] is the classic byte table.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables()
{
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : (c << 1);
        t[0][i] = c;
    }
    for (size_t k = 1; k < t.size(); ++k)
        for (uint32_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    return t;
}
constexpr auto kTables = MakeTables();

inline uint32_t BytewiseCrc(uint32_t state, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        state = (state << 8) ^ kTables[0][(state >> 24) ^ data[i]];
    return state;
}

inline uint32_t LoadBigEndian32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint32_t SlicedCrc(uint32_t state, const uint8_t* data, size_t size)
{
    for (; size >= 8; data += 8, size -= 8) {
        const uint32_t a = state ^ LoadBigEndian32(data);
        const uint32_t b = LoadBigEndian32(data + 4);
        state = kTables[7][a >> 24] ^ kTables[6][(a >> 16) & 0xFF] ^ kTables[5][(a >> 8) & 0xFF] ^
                kTables[4][a & 0xFF] ^ kTables[3][b >> 24] ^ kTables[2][(b >> 16) & 0xFF] ^
                kTables[1][(b >> 8) & 0xFF] ^ kTables[0][b & 0xFF];
    }
    return BytewiseCrc(state, data, size);
}

#ifdef PIX_CRC_CLMUL

// x^k mod P, the polynomial written without its x^32 term.
constexpr uint32_t XPowModP(unsigned k)
{
    uint32_t r = 1;
    for (unsigned i = 0; i < k; ++i)
        r = (r & 0x80000000u) ? (r << 1) ^ kPolynomial : (r << 1);
    return r;
}

// Folding a 128-bit value A forward by n bits: A·x^n = A_hi·x^(n+64) +
// A_lo·x^n, and each half times a 32-bit remainder fits in 95 bits. The
// high quadword of a pair multiplies the high half of A.
struct FoldPair {
    uint64_t high;
    uint64_t low;
};
constexpr FoldPair FoldBy(unsigned bits) { return {XPowModP(bits + 64), XPowModP(bits)}; }

constexpr FoldPair kFold512 = FoldBy(512);  // across four lanes of 16 bytes
constexpr FoldPair kFold384 = FoldBy(384);
constexpr FoldPair kFold256 = FoldBy(256);
constexpr FoldPair kFold128 = FoldBy(128);

__attribute__((target("pclmul,sse4.1"))) inline __m128i Constants(FoldPair k)
{
    return _mm_set_epi64x(static_cast<long long>(k.high), static_cast<long long>(k.low));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i a, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x11), _mm_clmulepi64_si128(a, k, 0x00));
}

// The 16 bytes at p as one polynomial: the first byte's top bit is x^127.
__attribute__((target("pclmul,sse4.1"))) inline __m128i LoadBlock(const uint8_t* p, __m128i reverse)
{
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// The register state continued over size >= 64 bytes.
//
// The state after a message M of n bits started from s is
// (s·x^n + M·x^32) mod P, so s is added to the message's first 32 bits.
// Folding then reduces the blocks to one 128-bit value R with the same
// remainder as the whole (modified) message, and the state is the CRC of
// R's 16 bytes started from zero, continued over the tail.
__attribute__((target("pclmul,sse4.1"))) uint32_t FoldedCrc(uint32_t state, const uint8_t* data, size_t size)
{
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i x0 = _mm_xor_si128(LoadBlock(data, reverse), _mm_set_epi32(static_cast<int>(state), 0, 0, 0));
    __m128i x1 = LoadBlock(data + 16, reverse);
    __m128i x2 = LoadBlock(data + 32, reverse);
    __m128i x3 = LoadBlock(data + 48, reverse);
    data += 64;
    size -= 64;

    const __m128i k512 = Constants(kFold512);
    for (; size >= 64; data += 64, size -= 64) {
        x0 = _mm_xor_si128(Fold(x0, k512), LoadBlock(data, reverse));
        x1 = _mm_xor_si128(Fold(x1, k512), LoadBlock(data + 16, reverse));
        x2 = _mm_xor_si128(Fold(x2, k512), LoadBlock(data + 32, reverse));
        x3 = _mm_xor_si128(Fold(x3, k512), LoadBlock(data + 48, reverse));
    }

    __m128i r = _mm_xor_si128(_mm_xor_si128(Fold(x0, Constants(kFold384)), Fold(x1, Constants(kFold256))),
                              _mm_xor_si128(Fold(x2, Constants(kFold128)), x3));
    const __m128i k128 = Constants(kFold128);
    for (; size >= 16; data += 16, size -= 16)
        r = _mm_xor_si128(Fold(r, k128), LoadBlock(data, reverse));

    alignas(16) uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), _mm_shuffle_epi8(r, reverse));
    return BytewiseCrc(SlicedCrc(0, bytes, sizeof bytes), data, size);
}

bool HasCarrylessMultiply()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    }();
    return has;
}

#endif  // PIX_CRC_CLMUL

}  // namespace

uint32_t UpdateCrcPortable(uint32_t state, const uint8_t* data, size_t size) { return SlicedCrc(state, data, size); }

bool CrcUsesCarrylessMultiply()
{
#ifdef PIX_CRC_CLMUL
    return HasCarrylessMultiply();
#else
    return false;
#endif
}

uint32_t UpdateCrc(uint32_t state, const uint8_t* data, size_t size)
{
#ifdef PIX_CRC_CLMUL
    if (size >= 64 && HasCarrylessMultiply())
        return FoldedCrc(state, data, size);
#endif
    return SlicedCrc(state, data, size);
}

uint32_t Crc32(const uint8_t* data, size_t size) { return FinishCrc(UpdateCrc(kCrcInitial, data, size)); }

std::string CrcToKey(uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", crc & 0xFF, (crc >> 8) & 0xFF, (crc >> 16) & 0xFF,
                  (crc >> 24) & 0xFF);
    return text;
}

std::optional<ContentId> ContentIdOfFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    std::vector<uint8_t> block(size_t{1} << 20);
    uint32_t state = kCrcInitial;
    uint64_t size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        state = UpdateCrc(state, block.data(), static_cast<size_t>(got));
        size += static_cast<uint64_t>(got);
    }
    return ContentId{FinishCrc(state), size};
}

std::string ContentKey(const std::string& path)
{
    const std::optional<ContentId> id = ContentIdOfFile(path);
    return id ? CrcToKey(id->crc) : std::string();
}

}  // namespace pix
