#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "png/Bytes.h"
#include "png/CBitmap.h"
#include "png/Inflate.h"
#include "png/Target.h"

namespace png {

class ChunkReader;

// Reads a PNG file, decodes it and draws it into its target, optionally composited over a
// background so that alpha and tRNS transparency show. Settings first, openFile or openData
// last; afterwards the header fields, the error number and the text chunks can be read back.
class LoadPNG {
public:
    enum Error : int32_t {
        NoError = 0,
        BadSignature = 1, // not a PNG file, also an empty or missing one
        ChunkPastEnd = 3, // a chunk runs past the end of the file, or there is no IEND
        NoImageData = 4,  // IEND without any IDAT
        // Decoding would hold more than MaxDecodedBytes at once (image data, inflated scanlines,
        // bitmap, backdrop for compositing, kept text), or the file itself is larger than that.
        // Checked before any of it is allocated.
        TooLarge = 5,
        // A compression, filter or interlace method the format does not define: the header
        // fields and text chunks are read, nothing is drawn.
        UnknownMethod = 6,
    };
    static constexpr uint64_t MaxDecodedBytes = uint64_t(256) << 20;

    LoadPNG();

    // Settings. Alpha (colour types 4 and 6) and tRNS transparency are composited over the
    // background only when switched on; the background is the source's pixels under the
    // picture, else the own colour (0xBBGGRR, 0 for none), else the file's bKGD colour.
    void setUseAlpha(bool on) { m_useAlpha = on; }
    void setUseTransparency(bool on) { m_useTransparency = on; }
    void setBackgroundSource(BackgroundSource *source) { m_background = source; }
    void setOwnBackgroundColor(uint32_t color) { m_ownBackgroundColor = color; }
    // Where the picture is drawn: the target, at (x, y), as its background or not.
    void setTarget(PicTarget *target) { m_target = target; }
    void setPlacement(bool asBackground, int32_t x = 0, int32_t y = 0)
    {
        m_asBackground = asBackground;
        m_x = x;
        m_y = y;
    }

    // Reads, decodes and draws a file, or file bytes already in memory; the outcome is in
    // errorNumber().
    void openFile(const std::string &filename);
    void openData(const uint8_t *data, size_t size);

    // What the last file said about itself.
    int32_t errorNumber() const { return m_error; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t bitDepth() const { return m_bitDepth; }
    int32_t colorType() const { return m_colorType; }
    int32_t compressionMethod() const { return m_compression; }
    int32_t filterMethod() const { return m_filter; }
    int32_t interlaceMethod() const { return m_interlacing; }
    bool hasAlpha() const { return m_hasAlpha; }
    bool hasTransparency() const { return m_hasTransparency; }
    bool hasBackgroundChunk() const { return m_hasBackground; }
    // The bKGD colour as 0xBBGGRR; 0 when there is none or it does not fit the picture.
    int32_t backgroundColor() const { return m_backgroundColor; }
    // tEXt chunks as keyword, NUL, text, NUL each (UTF-8 of the Latin-1 bytes).
    const std::string &text() const { return m_text; }
    // zTXt chunks the same way, their text inflated.
    const std::string &compressedText() const { return m_compressedText; }
    // tIME as dd.mm.yyyy hh:mm:ss; empty when there is none.
    const std::string &modificationTime() const { return m_modificationTime; }
    double gamma() const { return m_gamma / 100000.0; }

    // Bits per pixel of the bitmap built from the last file: 1, 4, 8, 24, 32, or 0 for none.
    int32_t outputBits() const { return m_outputBits; }
    // The bitmap built from the last file, also when there was no target to draw it in.
    const std::optional<Dib> &bitmap() const { return m_bitmaps.lastBitmap(); }
    // Lowers (or raises) the size limit behind error 5; the fuzz target keeps it small.
    void setMaxDecodedBytes(uint64_t bytes) { m_maxDecoded = bytes; }
    // Messages the decoder must show the user ("Error in tree creation (Static)").
    void setMessageHandler(std::function<void(const std::string &)> handler);

private:
    void resetForFile();
    void readFile(ChunkReader &reader);
    // False when keeping the chunk would take the loader past its memory limit.
    bool readChunk(const char *type, const uint8_t *data, size_t len);
    void readBkgd(const uint8_t *data, size_t len);
    void readTime(const uint8_t *data, size_t len);
    bool readZText(const uint8_t *data, size_t len);
    // Bytes held by what was kept from the ancillary chunks.
    uint64_t keptBytes() const;
    // Collects the data of all IDAT chunks (`size` bytes in all) into m_idat, in file order.
    bool gatherImageData(ChunkReader &reader, uint64_t size);
    // The steps of a decode, in order: the layout from the header, the memory plan (false:
    // over the limit), inflating and unfiltering (false: the image data is cut short), and
    // the conversion of the rows into the bitmap, composited where asked.
    struct Layout;
    Layout layout() const;
    bool planMemory(const Layout &l, uint64_t idatSize, Bytes &raw);
    bool inflateRows(ChunkReader &reader, uint64_t idatSize, const Layout &l, Bytes &raw);
    void decodeAndDraw(ChunkReader &reader, uint64_t idatSize);
    Bytes keyedToRgba(const Layout &l, const Bytes &raw);
    void makeIndexed(const Layout &l, Bytes &raw);
    void makeTrueColour(const Layout &l, Bytes &raw);
    void makeWithAlpha(const Layout &l, Bytes &raw);
    // Draws rows of 32-bit BGRA pixels (bgraRow(y): bitmap row y, bottom row first) over the
    // backdrop into a 24-bit bitmap.
    void composite(uint32_t width, uint32_t height, const std::function<const uint8_t *(uint32_t)> &bgraRow);

    Bytes m_idat;
    Bytes m_spare; // storage of an earlier bitmap, reused so that large pages are not faulted in again
    std::vector<uint8_t> m_palette;
    std::vector<uint8_t> m_trns;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bitDepth = 0;
    int32_t m_colorType = 0;
    int32_t m_compression = 0;
    int32_t m_filter = 0;
    int32_t m_interlacing = 0;
    int32_t m_error = 0;
    bool m_hasAlpha = false;
    bool m_hasTransparency = false;
    bool m_useTransparency = false;
    bool m_useAlpha = false;
    bool m_hasBackground = false;
    int32_t m_backgroundColor = 0;
    std::string m_text;
    std::string m_compressedText;
    std::string m_modificationTime;
    int32_t m_gamma = 0;
    int32_t m_x = 0;
    int32_t m_y = 0;
    BackgroundSource *m_background = nullptr;
    uint32_t m_ownBackgroundColor = 0;
    PicTarget *m_target = nullptr;
    bool m_asBackground = false;
    int32_t m_outputBits = 0;
    uint64_t m_maxDecoded = MaxDecodedBytes;
    Inflate m_inflate;
    CBitmap m_bitmaps;
};

} // namespace png
