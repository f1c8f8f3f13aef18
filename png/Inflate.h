#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "png/Bytes.h"

namespace png {

// Raw deflate decoder (RFC 1951).
// Table driven: one lookup for codes up to the root width, a second one for longer codes,
// a 64-bit bit buffer and word-wide match copies. The output is allocated once at the
// expected size + 100 and never grown; whatever would go beyond it is dropped.
class Inflate {
public:
    enum Status : int32_t {
        Ok = 0,
        BadBlock = -1,        // block type 3, or a stored block running past input or output
        BadStoredLength = -2, // LEN is not the complement of NLEN (decoding goes on)
        BadCode = -3,         // a bit pattern that matches no code, or a distance before the start
        Truncated = -4,       // the input ended before the last block did
    };

    static constexpr const char *TreeErrorText = "Error in tree creation (Static)";

    Inflate();

    // Decodes `in` into `out`. `expected` is raised by 100 on entry and is the output capacity.
    // On a code that cannot be built the message handler is told and decoding stops with the
    // status reached so far; `out` then holds what was produced before the bad block.
    int32_t run(const uint8_t *in, size_t inSize, Bytes &out, uint32_t &expected);

    void setMessageHandler(std::function<void(const std::string &)> handler) { m_message = std::move(handler); }

    static constexpr int LitRootBits = 10;
    static constexpr int DistRootBits = 8;
    static constexpr int CodeLenRootBits = 7;

private:
    struct Bits;
    enum class Step { Go, Stop, BadTree };
    bool buildFixed();
    // A stored block: its length words and bytes copied to the output.
    Step storedBlock(Bits &bits, uint8_t *&op, uint8_t *oe, int32_t &status);
    // A dynamic block's header: the code-length code, then the two codes into m_lit and m_dist.
    Step dynamicHeader(Bits &bits, int32_t &status);
    void reportTreeError();

    std::vector<uint32_t> m_lit;       // current literal/length table
    std::vector<uint32_t> m_dist;      // current distance table
    std::vector<uint32_t> m_fixedLit;  // cached fixed codes
    std::vector<uint32_t> m_fixedDist;
    std::vector<uint32_t> m_codeLen;   // the code-length code of a dynamic block
    bool m_fixedBuilt = false;
    std::function<void(const std::string &)> m_message;
};

} // namespace png
