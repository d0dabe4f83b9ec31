#pragma once
// Builds one scanned page from the frames a scanner sends: grey, RGB, or
// red, green and blue in three passes; 1, 8 or 16 bits per sample; rows of
// bytesPerLine bytes that may arrive split across reads, and a height that
// may be unknown until the data ends. The page becomes a packed DIB: RGB
// as 24-bit BGR rows bottom-up, grey with a 256-grey palette, line art
// (1 = black) with the palette {white, black}.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pix {

// The frame kinds, numbered as the scanner interface numbers them.
enum class ScanFrame : int { Gray = 0, Rgb = 1, Red = 2, Green = 3, Blue = 4 };

struct ScanFrameFormat {
    int format = 0;  // a ScanFrame value; anything else is refused
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    int lines = -1;  // -1: unknown until the frame ends
    int depth = 8;
};

// Pages larger than this many pixels are refused.
inline constexpr uint64_t kMaxScanPixels = uint64_t{1} << 28;

// Takes the rows of a page as they arrive, so a large page is never held
// whole (a file written as the scanner reads).
class ScanRowSink {
public:
    virtual ~ScanRowSink() = default;
    // A one-frame colour page of known size begins. False: the builder
    // keeps this page itself.
    virtual bool BeginPage(int width, int height) = 0;
    // Where row y of the page's DIB (0 = the bottom row) goes: 24-bit BGR
    // to fill before the next call. Null: the row is dropped.
    virtual uint8_t* Row(int y) = 0;
};

class ScanPageBuilder {
public:
    // Offers the pages to sink (null: none) instead of building their DIBs.
    void StreamTo(ScanRowSink* sink) { sink_ = sink; }
    // The complete page went to the sink (it has no DIB here).
    bool Streamed() const { return streaming_; }
    // Forgets a page left unfinished (a cancel or a failed read).
    void Reset();
    // Starts the next frame of the page; false, with the reason in error,
    // when its sizes are impossible or do not match the earlier frames.
    bool BeginFrame(const ScanFrameFormat& format, std::string& error);
    // The bytes of a read, in order. Bytes past the frame's last row are
    // ignored.
    void Add(const uint8_t* data, size_t size);
    // The frame's data has ended. False when rows are missing (a page cut
    // short), which makes the page incomplete.
    bool EndFrame();
    // The last frame has ended with every row.
    bool Complete() const { return complete_; }
    // The page as a packed DIB (empty unless complete and kept); the builder is
    // ready for the next page afterwards.
    std::vector<uint8_t> TakePackedDib();

private:
    void AddRow(const uint8_t* row);

    ScanFrameFormat format_;
    int kind_ = 0;              // 0 grey, 1 colour, 2 line art
    int channel_ = -1;          // three-pass: the channel of this frame
    size_t rowBytes_ = 0;       // bytes per DIB row
    size_t headerBytes_ = 0;    // the DIB's header and colour table
    bool flipAtEnd_ = false;    // rows stored top-down (height unknown)
    int frameRows_ = 0;         // rows of the current frame
    int height_ = 0;            // rows of the page (known after the first frame)
    int passes_ = 0;            // three-pass: the channels ended so far
    bool started_ = false;
    bool complete_ = false;
    bool failed_ = false;
    ScanRowSink* sink_ = nullptr;
    bool streaming_ = false;        // this page's rows go to sink_
    std::vector<uint8_t> partial_;  // a row split across reads
    std::vector<uint8_t> pixels_;   // the DIB being filled
};

}  // namespace pix
