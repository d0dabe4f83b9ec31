#pragma once
// Adaptive Huffman coding over 512 symbols (Faller-Gallager-Knuth, in the
// block-and-leader form): the code tree grows as symbols are seen, a
// symbol not seen before is sent as the path to the escape node followed by
// its position in the list of unseen symbols, and after every symbol the
// tree is updated the same way in the coder and the decoder.
//
// Bits are packed into 32-bit little-endian words from bit 0 upward.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

// Appends bits to a byte vector in 32-bit little-endian words, low bit first.
class WordBitWriter {
public:
    explicit WordBitWriter(std::vector<uint8_t>& out) : out_(out) {}

    void PutBit(uint32_t bit)
    {
        word_ |= (bit & 1u) << pos_;
        if (++pos_ == 32)
            FlushWord();
    }
    // Writes the low count bits of value, most significant first.
    void PutBitsMsbFirst(uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i)
            PutBit(value >> i);
    }
    // Writes the partly filled word, if any; the next bit starts a new word.
    void Finish()
    {
        if (pos_ != 0)
            FlushWord();
    }

private:
    void FlushWord()
    {
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<uint8_t>(word_ >> (8 * i)));
        word_ = 0;
        pos_ = 0;
    }
    std::vector<uint8_t>& out_;
    uint32_t word_ = 0;
    int pos_ = 0;
};

// Takes bits from a byte range in 32-bit little-endian words, low bit first.
// A word is fetched only when a bit of it is needed; running out of whole
// words sets the failed state and yields 0 bits from then on.
class WordBitReader {
public:
    WordBitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // Starts the next plane: the rest of the current word is dropped.
    void AlignToWord() { left_ = 0; }
    bool Failed() const { return failed_; }
    size_t Position() const { return pos_; }

    uint32_t GetBit()
    {
        if (left_ == 0 && !Refill())
            return 0;
        const uint32_t bit = word_ & 1u;
        word_ >>= 1;
        --left_;
        return bit;
    }
    uint32_t GetBitsMsbFirst(int count)
    {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i)
            v = (v << 1) | GetBit();
        return v;
    }

private:
    bool Refill()
    {
        if (size_ - pos_ < 4) {
            failed_ = true;
            return false;
        }
        const uint8_t* p = data_ + pos_;
        word_ = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
        pos_ += 4;
        left_ = 32;
        return true;
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t word_ = 0;
    int left_ = 0;
    bool failed_ = false;
};

class AdaptiveHuffman {
public:
    static constexpr int kSymbols = 512;
    static constexpr int kMaxNodes = 2 * kSymbols - 1;

    AdaptiveHuffman() { Reset(); }

    // Back to the starting state: the escape node alone, every symbol unseen.
    void Reset();

    void Encode(int symbol, WordBitWriter& out);
    // The next symbol, or -1 when the input ran out.
    int Decode(WordBitReader& in);

    // Inspection, for checks of the tree's invariants. Nodes are numbered by
    // their place in the order, 0 being the root (the highest) and
    // NodeCount() - 1 the lowest.
    int NodeCount() const { return count_; }
    uint32_t Weight(int node) const { return weight_[node]; }
    int Parent(int node) const { return parent_[node]; }
    int Child(int node, int side) const { return child_[node][side]; }
    int SymbolAt(int node) const { return symbol_[node]; }  // -1 inner node, kEscape escape
    int EscapeNode() const { return escape_; }
    int UnseenCount() const { return unseenCount_; }
    int LeafOf(int symbol) const { return leaf_[symbol]; }
    static constexpr int kEscape = kSymbols;

    // Bits of the position of one of m unseen symbols: ceil(log2 m).
    static int IndexBits(int m)
    {
        int e = 0;
        while ((1 << e) < m)
            ++e;
        return e;
    }

private:
    int AddUnseen(int index);
    void Update(int node);
    void Exchange(int a, int b);

    uint32_t weight_[kMaxNodes];
    int16_t parent_[kMaxNodes];
    int16_t child_[kMaxNodes][2];  // child_[n][0] < 0 for a leaf
    int16_t symbol_[kMaxNodes];
    int16_t leaf_[kSymbols];  // node of each seen symbol, -1 while unseen
    uint16_t unseen_[kSymbols];  // unseen symbols in increasing order
    int count_ = 0;
    int escape_ = 0;
    int unseenCount_ = 0;
};

}  // namespace pix
