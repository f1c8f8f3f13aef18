#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "png/Bytes.h"

namespace png {

// Raw deflate decoder (RFC 1951), optionally with the Deflate64 extension.
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
    int32_t run(const uint8_t *in, size_t inSize, Bytes &out, uint32_t &expected,
                bool deflate64);

    void setMessageHandler(std::function<void(const std::string &)> handler) { m_message = std::move(handler); }

    // True when the last run stopped on a code that could not be built.
    bool treeError() const { return m_treeError; }
    // How many times the fixed codes were built by this object (they are cached).
    int fixedBuilds() const { return m_fixedBuilds; }

    static constexpr int LitRootBits = 10;
    static constexpr int DistRootBits = 8;
    static constexpr int CodeLenRootBits = 7;

private:
    bool buildFixed(bool deflate64);
    void reportTreeError();

    std::vector<uint32_t> m_lit;       // current literal/length table
    std::vector<uint32_t> m_dist;      // current distance table
    std::vector<uint32_t> m_fixedLit;  // cached fixed codes
    std::vector<uint32_t> m_fixedDist;
    int m_fixedFor = -1;               // Deflate64 switch the cached fixed codes were built for
    int m_fixedBuilds = 0;
    bool m_treeError = false;
    std::function<void(const std::string &)> m_message;
};

} // namespace png
