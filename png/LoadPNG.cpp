#include "png/LoadPNG.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "png/ChunkReader.h"
#include "png/ImageHeader.h"

namespace png {

namespace {

inline uint32_t be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline unsigned be16(const uint8_t *p)
{
    return unsigned(p[0]) << 8 | p[1];
}

void appendLatin1(std::string &out, const uint8_t *data, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        const uint8_t c = data[i];
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
}

// round(sample / max * 255), halves to even.
int32_t scaleSample(unsigned sample, unsigned max)
{
    const unsigned num = sample * 255u;
    unsigned q = num / max;
    const unsigned r = num % max;
    if (2 * r > max || (2 * r == max && (q & 1)))
        ++q;
    return int32_t(q);
}

// The chunks whose data the loader reads; every other chunk is stepped over unread.
bool used(const ChunkReader::Chunk &c)
{
    for (const char *name : {"IHDR", "PLTE", "bKGD", "gAMA", "tEXt", "zTXt", "tIME", "tRNS"})
        if (c.is(name))
            return true;
    return false;
}

} // namespace

LoadPNG::LoadPNG() = default;

void LoadPNG::setMessageHandler(std::function<void(const std::string &)> handler)
{
    m_inflate.setMessageHandler(std::move(handler));
}

void LoadPNG::openFile(const std::string &filename)
{
    resetForFile();
    ChunkReader reader;
    if (!reader.openFile(filename)) {
        m_error = BadSignature;
        return;
    }
    readFile(reader);
}

void LoadPNG::openData(const uint8_t *data, size_t size)
{
    resetForFile();
    ChunkReader reader;
    reader.openMemory(data, size);
    readFile(reader);
}

void LoadPNG::resetForFile()
{
    // Every value read back describes the file just opened, never an earlier one.
    Bytes().swap(m_idat);
    m_palette.clear();
    m_trns.clear();
    m_width = m_height = m_bitDepth = m_colorType = m_compression = m_filter = m_interlacing = 0;
    m_error = NoError;
    m_hasAlpha = m_hasTransparency = m_hasBackground = false;
    m_backgroundColor = 0;
    std::string().swap(m_text);
    std::string().swap(m_compressedText);
    m_modificationTime.clear();
    m_gamma = 0;
    m_outputBits = 0;
    Bytes old = m_bitmaps.takeLastBits();
    if (old.capacity() > m_spare.capacity())
        m_spare.swap(old);
}

uint64_t LoadPNG::keptBytes() const
{
    return m_text.capacity() + m_compressedText.capacity() + m_palette.capacity() + m_trns.capacity();
}

void LoadPNG::readFile(ChunkReader &reader)
{
    if (!reader.readSignature()) {
        m_error = BadSignature;
        return;
    }
    // Whatever the loader keeps comes out of the file, and a decode may hold no more than the
    // limit: a larger file is refused before any of it is read.
    if (reader.size() > m_maxDecoded) {
        m_error = TooLarge;
        return;
    }
    uint64_t idatSize = 0;
    ChunkReader::Chunk chunk;
    for (;;) {
        if (!reader.next(chunk)) {
            m_error = ChunkPastEnd;
            return;
        }
        if (chunk.is("IEND"))
            break;
        if (chunk.is("IDAT")) {
            // Only counted here; the data is collected once its total size is known.
            idatSize += chunk.length;
            continue;
        }
        if (!used(chunk))
            continue;
        const uint8_t *data = reader.fetch(chunk);
        if (!data) {
            m_error = ChunkPastEnd;
            return;
        }
        if (!readChunk(chunk.type, data, chunk.length)) {
            m_error = TooLarge;
            return;
        }
    }
    if (idatSize == 0)
        m_error = NoImageData;
    else if (!knownMethods(m_compression, m_filter, m_interlacing))
        m_error = UnknownMethod;
    else
        decodeAndDraw(reader, idatSize);
}

bool LoadPNG::readChunk(const char *type, const uint8_t *chunk, size_t len)
{
    auto is = [type](const char *name) { return std::memcmp(type, name, 4) == 0; };
    // Text may double in size as UTF-8; it is held through the decode.
    if (keptBytes() + 2 * uint64_t(len) + 2 > m_maxDecoded)
        return false;
    if (is("IHDR")) {
        if (len >= 13) {
            m_width = int32_t(be32(chunk));
            m_height = int32_t(be32(chunk + 4));
            m_bitDepth = chunk[8];
            m_colorType = chunk[9];
            m_compression = chunk[10];
            m_filter = chunk[11];
            m_interlacing = chunk[12];
        }
    } else if (is("PLTE")) {
        m_palette.assign(chunk, chunk + len);
    } else if (is("bKGD")) {
        readBkgd(chunk, len);
    } else if (is("gAMA")) {
        if (len >= 4)
            m_gamma = int32_t(be32(chunk));
    } else if (is("tEXt")) {
        appendLatin1(m_text, chunk, len);
        m_text += '\0';
    } else if (is("zTXt")) {
        return readZText(chunk, len);
    } else if (is("tIME")) {
        readTime(chunk, len);
    } else if (is("tRNS")) {
        m_trns.assign(chunk, chunk + len);
        m_hasTransparency = true;
    }
    return true;
}

bool LoadPNG::gatherImageData(ChunkReader &reader, uint64_t size)
{
    // A second walk over the chunk headers: the buffer is allocated once at its final size
    // instead of growing (and copying) chunk by chunk.
    m_idat.resize(size_t(size));
    if (!reader.readSignature())
        return false;
    uint64_t at = 0;
    ChunkReader::Chunk chunk;
    while (reader.next(chunk) && !chunk.is("IEND")) {
        if (!chunk.is("IDAT"))
            continue;
        if (chunk.length > size - at || !reader.copy(chunk.dataPos, chunk.length, m_idat.data() + at))
            return false;
        at += chunk.length;
    }
    return at == size;
}

void LoadPNG::readBkgd(const uint8_t *data, size_t len)
{
    m_hasBackground = true;
    m_backgroundColor = 0;
    switch (m_colorType) {
    case 0:
    case 4: {
        if (len < 2 || !validDepth(0, m_bitDepth))
            return;
        unsigned g = be16(data);
        // Sixteen-bit pixels are reduced to their high bytes, so is the background.
        if (m_bitDepth == 16)
            g >>= 8;
        else if (g > (1u << m_bitDepth) - 1)
            return;
        const std::vector<uint8_t> ramp = m_bitmaps.makeGreyRamp(m_bitDepth == 16 ? 8 : m_bitDepth, false);
        const int32_t v = ramp[3 * g];
        m_backgroundColor = v | v << 8 | v << 16;
        return;
    }
    case 2:
    case 6: {
        if (len < 6 || (m_bitDepth != 8 && m_bitDepth != 16))
            return;
        const unsigned max = (1u << m_bitDepth) - 1;
        const unsigned r = be16(data), g = be16(data + 2), b = be16(data + 4);
        if (r > max || g > max || b > max)
            return;
        m_backgroundColor = scaleSample(r, max) | scaleSample(g, max) << 8 | scaleSample(b, max) << 16;
        return;
    }
    case 3: {
        if (len < 1)
            return;
        const size_t i = data[0];
        if (3 * i + 3 <= m_palette.size())
            m_backgroundColor = m_palette[3 * i] | m_palette[3 * i + 1] << 8 | m_palette[3 * i + 2] << 16;
        return;
    }
    default: return;
    }
}

void LoadPNG::readTime(const uint8_t *data, size_t len)
{
    if (len < 7)
        return;
    const int year = int16_t(be16(data));
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%d %02d:%02d:%02d", data[3], data[2], year, data[4], data[5], data[6]);
    m_modificationTime = text;
}

bool LoadPNG::readZText(const uint8_t *data, size_t len)
{
    const uint8_t *nul = static_cast<const uint8_t *>(std::memchr(data, 0, len));
    const size_t keyword = nul ? size_t(nul - data) : len;
    appendLatin1(m_compressedText, data, keyword);
    m_compressedText += '\0';
    // NUL, compression method and the two zlib header bytes precede the stream.
    const size_t start = keyword + 4;
    if (start < len) {
        const size_t n = len - start;
        // The inflated text and its UTF-8 copy must both fit in what the limit leaves.
        const uint64_t room = (m_maxDecoded - std::min(m_maxDecoded, keptBytes())) / 3;
        if (room < 256)
            return false;
        uint32_t expected = uint32_t(std::min<uint64_t>(uint64_t(12) * (n - 1), room - 256));
        Bytes text;
        m_inflate.run(data + start, n, text, expected);
        if (keptBytes() + 2 * uint64_t(text.size()) + 1 > m_maxDecoded)
            return false;
        m_compressedText.reserve(m_compressedText.size() + 2 * text.size() + 1);
        appendLatin1(m_compressedText, text.data(), text.size());
    }
    m_compressedText += '\0';
    return true;
}

} // namespace png
