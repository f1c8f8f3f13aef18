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

// Reads a PNG file, decodes it and draws it into its picture box, optionally composited over
// a background so that alpha and tRNS transparency show. Settings first, OpenPNG last;
// afterwards the header fields, the error number and the text chunks can be read back.
// Booleans read back as -1 (true) and 0 (false).
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

    // Always returns 0; the outcome is in ErrorNumber().
    int32_t OpenPNG(const std::string &filename);
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Bitdepht() const { return m_bitDepth; }
    int32_t ColorType() const { return m_colorType; }
    int32_t Compression() const { return m_compression; }
    int32_t Filter() const { return m_filter; }
    int32_t Interlacing() const { return m_interlacing; }
    int32_t ErrorNumber() const { return m_error; }
    int32_t HaveAlpha() const { return m_haveAlpha ? -1 : 0; }
    int32_t HaveTransparence() const { return m_haveTrans ? -1 : 0; }
    void SetTrans(bool on) { m_useTrans = on; }
    void SetAlpha(bool on) { m_useAlpha = on; }
    int32_t HasBKGDChunk() const { return m_hasBkgd ? -1 : 0; }
    int32_t BkgdColor() const { return m_bkgdColor; }
    // tEXt chunks as keyword, NUL, text, NUL each (UTF-8 of the Latin-1 bytes).
    const std::string &Text() const { return m_text; }
    // zTXt chunks the same way, their text inflated.
    const std::string &zText() const { return m_zText; }
    const std::string &ModiTime() const { return m_modiTime; }
    double gama() const { return m_gamma / 100000.0; }
    void BackgroundPicture(BackgroundSource *source) { m_background = source; }
    void SetOwnBkgndColor(bool ownBkgndOn, uint32_t backColor = 0)
    {
        m_ownBkgndOn = ownBkgndOn;
        m_ownBkgndColor = backColor;
    }
    void PicBox(PicTarget *target) { m_picBox = target; }
    void SetToBkgrnd(bool setToBG, int32_t x = 0, int32_t y = 0)
    {
        m_setToBG = setToBG;
        m_x = x;
        m_y = y;
    }

    // The same as OpenPNG on file bytes already in memory.
    int32_t OpenPNGData(const uint8_t *data, size_t size);
    // Bits per pixel of the bitmap built from the last file: 1, 4, 8, 24, 32, or 0 for none.
    int32_t OutputBits() const { return m_outputBits; }
    // The bitmap built from the last file, also when there was no picture box to draw it in.
    const std::optional<Dib> &Bitmap() const { return m_bitmaps.lastBitmap(); }
    const CBitmap &bitmaps() const { return m_bitmaps; }
    // Status of the last inflate of image data (see Inflate::Status); 0 when none ran.
    int32_t InflateStatus() const { return m_inflateStatus; }
    bool OwnBkgndOn() const { return m_ownBkgndOn; }
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
    void decodeAndDraw(ChunkReader &reader, uint64_t idatSize);
    void composite(const Bytes &rgba, uint32_t width, uint32_t height);

    Bytes m_idat;
    Bytes m_spare; // storage of an earlier bitmap, reused so that large pages are not faulted in again
    std::vector<uint8_t> m_palette;
    std::vector<uint8_t> m_trns;
    std::vector<uint8_t> m_bkgd;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bitDepth = 0;
    int32_t m_colorType = 0;
    int32_t m_compression = 0;
    int32_t m_filter = 0;
    int32_t m_interlacing = 0;
    int32_t m_error = 0;
    bool m_haveAlpha = false;
    bool m_haveTrans = false;
    bool m_useTrans = false;
    bool m_useAlpha = false;
    bool m_hasBkgd = false;
    int32_t m_bkgdColor = 0;
    std::string m_text;
    std::string m_zText;
    std::string m_modiTime;
    int32_t m_gamma = 0;
    int32_t m_x = 0;
    int32_t m_y = 0;
    BackgroundSource *m_background = nullptr;
    bool m_ownBkgndOn = false;
    uint32_t m_ownBkgndColor = 0;
    PicTarget *m_picBox = nullptr;
    bool m_setToBG = false;
    int32_t m_outputBits = 0;
    int32_t m_inflateStatus = 0;
    uint64_t m_maxDecoded = MaxDecodedBytes;
    Inflate m_inflate;
    CBitmap m_bitmaps;
};

} // namespace png
