#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace png {

// Walks the chunks of a PNG file one at a time, from a file on disk or from bytes in memory.
// Only what is asked for is read: a chunk's data is fetched when its type is of use, and no
// length is trusted past what the source still holds.
class ChunkReader {
public:
    struct Chunk {
        uint32_t length = 0;
        char type[4] = {};
        uint64_t dataPos = 0; // where the data starts in the source
        bool is(const char *name) const;
    };

    // False for a missing or unreadable file and for anything that is not a regular file (a
    // device, a pipe, a folder): those could be endless or block, and are never opened.
    bool openFile(const std::string &filename);
    void openMemory(const uint8_t *data, size_t size);
    uint64_t size() const { return m_size; }

    // Reads the first eight bytes; true when they are the PNG signature.
    bool readSignature();
    // Reads the next chunk's length and type and steps past its data and checksum (the
    // checksum may be cut short at the end of the file). False when the chunk's data would not
    // end before the last byte of the source, or the source cannot be read.
    bool next(Chunk &chunk);
    // The data of `chunk`: in memory it is read in place, from a file it is read into a buffer
    // that stays valid until the next fetch. Null when the source cannot be read.
    const uint8_t *fetch(const Chunk &chunk);
    // Gives back the memory of the fetch buffer.
    void releaseBuffer();
    // Copies `length` bytes from position `pos` to `out`; false when the source cannot be read.
    bool copy(uint64_t pos, size_t length, uint8_t *out);

private:
    bool read(uint64_t pos, size_t length, uint8_t *out);

    std::ifstream m_file;
    const uint8_t *m_data = nullptr;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
    std::vector<uint8_t> m_buffer;
};

} // namespace png
