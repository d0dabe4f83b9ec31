#include "image/GifLzw.h"

namespace pix {

bool GifLzwDecoder::Start(ByteReader& in, int initialCodeSize)
{
    // The first codes are one bit wider than the initial code size and may
    // not pass 12 bits.
    if (initialCodeSize < 1 || initialCodeSize + 1 > kMaxCodeBits)
        return false;
    in_ = &in;
    initialCodeSize_ = initialCodeSize;
    clearCode_ = 1 << initialCodeSize;
    endCode_ = clearCode_ + 1;
    codeSize_ = initialCodeSize + 1;
    nextFree_ = clearCode_ + 2;
    previous_ = -1;
    firstOfPrevious_ = 0;
    ended_ = false;
    bitBuffer_ = 0;
    bitCount_ = 0;
    blockLeft_ = 0;
    blocksEnded_ = false;
    stackSize_ = 0;
    for (int i = 0; i < clearCode_; ++i) {
        prefix_[i] = 0;
        suffix_[i] = static_cast<uint16_t>(i);
    }
    return true;
}

bool GifLzwDecoder::FillBits()
{
    while (bitCount_ < codeSize_) {
        if (blocksEnded_)
            return false;
        if (blockLeft_ == 0) {
            const uint8_t length = in_->U8();
            if (in_->Failed() || length == 0) {
                blocksEnded_ = true;
                return false;
            }
            blockLeft_ = length;
        }
        const uint8_t byte = in_->U8();
        if (in_->Failed()) {
            blocksEnded_ = true;
            return false;
        }
        --blockLeft_;
        bitBuffer_ |= static_cast<uint32_t>(byte) << bitCount_;
        bitCount_ += 8;
    }
    return true;
}

bool GifLzwDecoder::ReadCode(int& code)
{
    if (!FillBits())
        return false;
    code = static_cast<int>(bitBuffer_ & ((1u << codeSize_) - 1));
    bitBuffer_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return true;
}

bool GifLzwDecoder::Next(uint16_t& dest)
{
    if (stackSize_ > 0) {
        dest = stack_[--stackSize_];
        return true;
    }
    while (!ended_) {
        int code = 0;
        if (!ReadCode(code)) {
            ended_ = true;
            break;
        }
        if (code == clearCode_) {
            codeSize_ = initialCodeSize_ + 1;
            nextFree_ = clearCode_ + 2;
            previous_ = -1;
            continue;
        }
        if (code == endCode_) {
            ended_ = true;
            break;
        }
        if (previous_ < 0) {
            // After a clear only the single-pixel codes exist.
            if (code >= clearCode_) {
                ended_ = true;
                break;
            }
            previous_ = code;
            firstOfPrevious_ = static_cast<uint16_t>(code);
            dest = static_cast<uint16_t>(code);
            return true;
        }
        if (code > nextFree_ || (code == nextFree_ && nextFree_ >= kTableSize)) {
            // A code that names no entry: the data are corrupt here.
            ended_ = true;
            break;
        }
        const int incoming = code;
        if (code == nextFree_) {
            // The entry being defined: the previous string and its own
            // first pixel.
            stack_[stackSize_++] = firstOfPrevious_;
            code = previous_;
        }
        // Every entry's prefix is an older code, so the walk ends; the
        // stack holds the longest string the table can make.
        while (code >= clearCode_ && stackSize_ < kTableSize) {
            stack_[stackSize_++] = suffix_[code];
            code = prefix_[code];
        }
        const auto first = static_cast<uint16_t>(code);
        stack_[stackSize_++] = first;
        if (nextFree_ < kTableSize) {
            prefix_[nextFree_] = static_cast<uint16_t>(previous_);
            suffix_[nextFree_] = first;
            ++nextFree_;
            // (At least: with an initial code size of 1 the first free
            // code already equals 2 to the power of the code size.)
            if (nextFree_ >= (1 << codeSize_) && codeSize_ < kMaxCodeBits)
                ++codeSize_;
        }
        previous_ = incoming;
        firstOfPrevious_ = first;
        dest = stack_[--stackSize_];
        return true;
    }
    return false;
}

void GifLzwEncoder::PutByte(uint8_t byte, std::vector<uint8_t>& out)
{
    packet_[packetSize_++] = byte;
    if (packetSize_ >= kPacketSize)
        FlushPacket(out);
}

void GifLzwEncoder::FlushPacket(std::vector<uint8_t>& out)
{
    if (packetSize_ == 0)
        return;
    out.push_back(static_cast<uint8_t>(packetSize_));
    out.insert(out.end(), packet_.begin(), packet_.begin() + packetSize_);
    packetSize_ = 0;
}

void GifLzwEncoder::Output(int code, std::vector<uint8_t>& out)
{
    accum_ |= static_cast<uint32_t>(code) << accumBits_;
    accumBits_ += nBits_;
    while (accumBits_ >= 8) {
        PutByte(static_cast<uint8_t>(accum_ & 0xFF), out);
        accum_ >>= 8;
        accumBits_ -= 8;
    }
    // The width changes after the code that needs it: one bit more once
    // the next free code passes the present maximum, 9 bits after a clear.
    if (freeEnt_ > maxCode_ || clearFlag_) {
        if (clearFlag_) {
            nBits_ = kInitBits;
            maxCode_ = (1 << nBits_) - 1;
            clearFlag_ = false;
        } else {
            ++nBits_;
            maxCode_ = nBits_ == kMaxBits ? kMaxMaxCode : (1 << nBits_) - 1;
        }
    }
    if (code == kEndCode) {
        while (accumBits_ > 0) {
            PutByte(static_cast<uint8_t>(accum_ & 0xFF), out);
            accum_ >>= 8;
            accumBits_ -= 8;
        }
        accum_ = 0;
        accumBits_ = 0;
        FlushPacket(out);
    }
}

}  // namespace pix
