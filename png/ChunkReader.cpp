#include "png/ChunkReader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace png {

namespace {

constexpr uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

inline uint32_t be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

} // namespace

bool ChunkReader::Chunk::is(const char *name) const
{
    return std::memcmp(type, name, 4) == 0;
}

bool ChunkReader::openFile(const std::string &filename)
{
    const std::u8string name(filename.begin(), filename.end());
    const std::filesystem::path path(name);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return false;
    m_file.open(path, std::ios::binary);
    if (!m_file)
        return false;
    m_size = size;
    m_pos = 0;
    return true;
}

void ChunkReader::openMemory(const uint8_t *data, size_t size)
{
    m_data = data;
    m_size = data ? size : 0;
    m_pos = 0;
}

bool ChunkReader::read(uint64_t pos, size_t length, uint8_t *out)
{
    if (pos > m_size || length > m_size - pos)
        return false;
    if (m_data) {
        std::memcpy(out, m_data + pos, length);
        return true;
    }
    // The file may have shrunk since its size was taken: a short read is a failure.
    m_file.clear();
    m_file.seekg(std::streamoff(pos));
    m_file.read(reinterpret_cast<char *>(out), std::streamsize(length));
    return m_file.gcount() == std::streamsize(length);
}

bool ChunkReader::readSignature()
{
    uint8_t head[8];
    if (!read(0, 8, head) || std::memcmp(head, Signature, 8) != 0)
        return false;
    m_pos = 8;
    return true;
}

bool ChunkReader::next(Chunk &chunk)
{
    uint8_t head[8];
    if (m_size - m_pos < 8 || !read(m_pos, 8, head))
        return false;
    chunk.length = be32(head);
    std::memcpy(chunk.type, head + 4, 4);
    m_pos += 8;
    // The data must end before the last byte of the file (at least part of the checksum follows).
    if (chunk.length > 0x7FFFFFFFu || chunk.length >= m_size - m_pos)
        return false;
    chunk.dataPos = m_pos;
    m_pos += chunk.length;
    m_pos += std::min<uint64_t>(4, m_size - m_pos); // the checksum is not checked
    return true;
}

const uint8_t *ChunkReader::fetch(const Chunk &chunk)
{
    static const uint8_t none = 0;
    if (m_data)
        return m_data + chunk.dataPos;
    if (chunk.length == 0)
        return &none;
    m_buffer.resize(chunk.length);
    return read(chunk.dataPos, chunk.length, m_buffer.data()) ? m_buffer.data() : nullptr;
}

void ChunkReader::releaseBuffer()
{
    std::vector<uint8_t>().swap(m_buffer);
}

bool ChunkReader::copy(uint64_t pos, size_t length, uint8_t *out)
{
    return read(pos, length, out);
}

} // namespace png
