#include "png/Inflate.h"

#include <cstring>

namespace png {

namespace {

// A table entry: bits 0-7 the code length to consume, 8-12 the extra-bit count (or the width
// of a second-level table), 13-15 the kind, 16-31 the value (literal, base or table offset).
constexpr uint32_t KindLiteral = 0u << 13;
constexpr uint32_t KindBase = 1u << 13;
constexpr uint32_t KindEnd = 2u << 13;
constexpr uint32_t KindSub = 3u << 13;
constexpr uint32_t KindInvalid = 4u << 13;
constexpr uint32_t KindMask = 7u << 13;

constexpr uint32_t makeEntry(uint32_t value, uint32_t kind, uint32_t extra, uint32_t len)
{
    return value << 16 | kind | extra << 8 | len;
}
inline uint32_t entryLen(uint32_t e) { return e & 0xFF; }
inline uint32_t entryExtra(uint32_t e) { return (e >> 8) & 0x1F; }
inline uint32_t entryValue(uint32_t e) { return e >> 16; }

constexpr uint32_t Invalid = makeEntry(0, KindInvalid, 0, 0);

constexpr uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Codes 30 and 31 are the Deflate64 distances.
constexpr uint16_t DistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                   49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                   2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t DistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                   7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Output slack beyond the capacity, so that word-wide copies may overshoot.
constexpr size_t Slack = 16;

uint32_t litSymbol(unsigned s, bool deflate64)
{
    if (s < 256)
        return makeEntry(s, KindLiteral, 0, 0);
    if (s == 256)
        return makeEntry(0, KindEnd, 0, 0);
    if (s > 285)
        return Invalid;
    if (s == 285 && deflate64)
        return makeEntry(3, KindBase, 16, 0);
    return makeEntry(LengthBase[s - 257], KindBase, LengthExtra[s - 257], 0);
}

uint32_t distSymbol(unsigned s, bool)
{
    return makeEntry(DistBase[s], KindBase, DistExtra[s], 0);
}

uint32_t plainSymbol(unsigned s, bool)
{
    return makeEntry(s, KindLiteral, 0, 0);
}

enum class Sparse {
    None,          // the code must be complete
    Single,        // one code of length 1 is accepted as well
    SingleOrEmpty, // ... and so is a code with no symbols at all (a block of literals only)
};

// Builds a two-level lookup table for the canonical code with the given lengths (0..15).
// Fails on an over-subscribed code and on an incomplete one, except where `sparse` allows.
bool buildTable(const uint8_t *lens, unsigned n, uint32_t (*symbol)(unsigned, bool), bool deflate64,
                unsigned rootBits, Sparse sparse, std::vector<uint32_t> &table)
{
    unsigned count[16] = {};
    for (unsigned i = 0; i < n; ++i)
        ++count[lens[i]];
    count[0] = 0;

    int left = 1;
    unsigned maxLen = 0;
    unsigned total = 0;
    for (unsigned len = 1; len <= 15; ++len) {
        left = 2 * left - int(count[len]);
        if (left < 0)
            return false;
        if (count[len]) {
            maxLen = len;
            total += count[len];
        }
    }
    if (left > 0) {
        const bool empty = total == 0 && sparse == Sparse::SingleOrEmpty;
        const bool single = total == 1 && count[1] == 1 && sparse != Sparse::None;
        if (!empty && !single)
            return false;
    }

    unsigned next[16] = {};
    unsigned code = 0;
    for (unsigned len = 1; len <= 15; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }

    const unsigned rootSize = 1u << rootBits;
    const unsigned subBits = maxLen > rootBits ? maxLen - rootBits : 0;
    table.assign(rootSize, Invalid);

    for (unsigned len = 1; len <= maxLen; ++len) {
        if (!count[len])
            continue;
        for (unsigned s = 0; s < n; ++s) {
            if (lens[s] != len)
                continue;
            const unsigned c = next[len]++;
            unsigned rev = 0;
            for (unsigned b = 0; b < len; ++b)
                rev |= ((c >> b) & 1u) << (len - 1 - b);
            const uint32_t e = symbol(s, deflate64) | len;
            if (len <= rootBits) {
                for (unsigned j = rev; j < rootSize; j += 1u << len)
                    table[j] = e;
                continue;
            }
            const unsigned prefix = rev & (rootSize - 1);
            if ((table[prefix] & KindMask) != KindSub) {
                const size_t offset = table.size();
                table.resize(offset + (size_t(1) << subBits), Invalid);
                table[prefix] = makeEntry(uint32_t(offset), KindSub, subBits, rootBits);
            }
            const unsigned offset = entryValue(table[prefix]);
            for (unsigned j = rev >> rootBits; j < (1u << subBits); j += 1u << (len - rootBits))
                table[offset + j] = e;
        }
    }
    return true;
}

inline uint64_t load64(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Copies a match of `len` bytes from `dist` bytes back; `op` has Slack bytes of room beyond
// op + len. Overlapping matches repeat the pattern, as deflate requires.
inline void copyMatch(uint8_t *op, size_t dist, size_t len)
{
    const uint8_t *src = op - dist;
    if (dist >= 8) {
        uint8_t *const end = op + len;
        do {
            std::memcpy(op, src, 8);
            op += 8;
            src += 8;
        } while (op < end);
    } else if (dist == 1) {
        std::memset(op, *src, len);
    } else {
        for (size_t i = 0; i < len; ++i)
            op[i] = src[i];
    }
}

} // namespace

Inflate::Inflate() = default;

bool Inflate::buildFixed(bool deflate64)
{
    if (m_fixedFor == int(deflate64))
        return true;
    uint8_t lens[288];
    std::memset(lens, 8, 144);
    std::memset(lens + 144, 9, 112);
    std::memset(lens + 256, 7, 24);
    std::memset(lens + 280, 8, 8);
    uint8_t dlens[32];
    std::memset(dlens, 5, 32);
    ++m_fixedBuilds;
    if (!buildTable(lens, 288, litSymbol, deflate64, LitRootBits, Sparse::None, m_fixedLit)
        || !buildTable(dlens, 32, distSymbol, deflate64, DistRootBits, Sparse::None, m_fixedDist)) {
        m_fixedFor = -1;
        return false;
    }
    m_fixedFor = int(deflate64);
    return true;
}

void Inflate::reportTreeError()
{
    m_treeError = true;
    if (m_message)
        m_message(TreeErrorText);
}

int32_t Inflate::run(const uint8_t *in, size_t inSize, Bytes &out, uint32_t &expected, bool deflate64)
{
    m_treeError = false;
    expected += 100;
    const size_t cap = expected;
    out.resize(cap + Slack);

    uint8_t *const ob = out.data();
    uint8_t *op = ob;
    uint8_t *const oe = ob + cap;
    const uint8_t *ip = in;
    const uint8_t *const ie = in + inSize;

    // Bits are taken least significant first. Past the end of the input the buffer is fed
    // zero bytes, counted in `pad`: once fewer than pad*8 bits remain, input was overrun.
    uint64_t bb = 0;
    unsigned bc = 0;
    size_t pad = 0;
    int32_t status = Ok;

    auto refill = [&]() {
        if (ie - ip >= 8) {
            bb |= load64(ip) << bc;
            ip += (63 - bc) >> 3;
            bc |= 56;
        } else {
            while (bc <= 55) {
                if (ip < ie)
                    bb |= uint64_t(*ip++) << bc;
                else
                    ++pad;
                bc += 8;
            }
        }
    };
    auto consume = [&](unsigned n) {
        bb >>= n;
        bc -= n;
    };
    auto overrun = [&]() { return pad * 8 > bc; };
    auto bits = [&](unsigned n) { return uint32_t(bb & ((uint64_t(1) << n) - 1)); };
    auto finish = [&]() { out.resize(size_t(op - ob)); };

    std::vector<uint32_t> codeLenTable;
    bool done = false;
    while (!done) {
        refill();
        const bool final = bb & 1;
        const unsigned type = (bb >> 1) & 3;
        consume(3);
        if (overrun()) {
            status = Truncated;
            break;
        }

        if (type == 0) {
            consume(bc & 7);
            const size_t buffered = bc / 8;
            if (buffered < pad) {
                status = BadBlock;
                break;
            }
            ip -= buffered - pad;
            bb = 0;
            bc = 0;
            pad = 0;
            if (ie - ip < 5) {
                status = BadBlock;
                break;
            }
            const unsigned len = ip[0] | unsigned(ip[1]) << 8;
            const unsigned nlen = ip[2] | unsigned(ip[3]) << 8;
            ip += 4;
            if (len != (~nlen & 0xFFFFu))
                status = BadStoredLength;
            if (len > size_t(ie - ip) || len > size_t(oe - op)) {
                status = BadBlock;
                break;
            }
            std::memcpy(op, ip, len);
            op += len;
            ip += len;
            if (final)
                break;
            continue;
        }
        if (type == 3) {
            status = BadBlock;
            break;
        }

        const uint32_t *lit;
        const uint32_t *dist;
        if (type == 1) {
            if (!buildFixed(deflate64)) {
                reportTreeError();
                finish();
                return status;
            }
            lit = m_fixedLit.data();
            dist = m_fixedDist.data();
        } else {
            refill();
            const unsigned hlit = bits(5) + 257;
            const unsigned hdist = ((bb >> 5) & 31) + 1;
            const unsigned hclen = ((bb >> 10) & 15) + 4;
            consume(14);
            uint8_t cl[19] = {};
            for (unsigned i = 0; i < hclen; ++i) {
                if (bc < 3)
                    refill();
                cl[CodeLengthOrder[i]] = uint8_t(bits(3));
                consume(3);
            }
            if (overrun()) {
                status = Truncated;
                break;
            }
            if (!buildTable(cl, 19, plainSymbol, false, CodeLenRootBits, Sparse::None, codeLenTable)) {
                reportTreeError();
                finish();
                return status;
            }
            uint8_t lens[320];
            const unsigned total = hlit + hdist;
            unsigned n = 0;
            bool broken = false;
            while (n < total) {
                if (bc < 16)
                    refill();
                const uint32_t e = codeLenTable[bits(CodeLenRootBits)];
                consume(entryLen(e));
                const unsigned sym = entryValue(e);
                unsigned rep = 0;
                uint8_t value = 0;
                if (sym < 16) {
                    lens[n++] = uint8_t(sym);
                } else if (sym == 16) {
                    rep = 3 + bits(2);
                    consume(2);
                    if (n == 0)
                        broken = true;
                    else
                        value = lens[n - 1];
                } else if (sym == 17) {
                    rep = 3 + bits(3);
                    consume(3);
                } else {
                    rep = 11 + bits(7);
                    consume(7);
                }
                if (overrun())
                    break;
                if (broken || n + rep > total) {
                    broken = true;
                    break;
                }
                std::memset(lens + n, value, rep);
                n += rep;
            }
            if (overrun()) {
                status = Truncated;
                break;
            }
            if (broken
                || !buildTable(lens, hlit, litSymbol, deflate64, LitRootBits, Sparse::Single, m_lit)
                || !buildTable(lens + hlit, hdist, distSymbol, deflate64, DistRootBits, Sparse::SingleOrEmpty,
                               m_dist)) {
                reportTreeError();
                finish();
                return status;
            }
            lit = m_lit.data();
            dist = m_dist.data();
        }

        constexpr uint64_t litMask = (1u << LitRootBits) - 1;
        constexpr uint64_t distMask = (1u << DistRootBits) - 1;
        for (;;) {
            refill();
            uint32_t e = lit[bb & litMask];
            if ((e & KindMask) == KindSub)
                e = lit[entryValue(e) + ((bb >> LitRootBits) & ((1u << entryExtra(e)) - 1))];
            consume(entryLen(e));
            const uint32_t kind = e & KindMask;
            if (kind == KindLiteral) {
                if ((pad && overrun()) || op == oe) {
                    status = pad && overrun() ? Truncated : status;
                    done = true;
                    break;
                }
                *op++ = uint8_t(entryValue(e));
                // A second literal without refilling while the buffer surely holds its code.
                if (bc >= 15) {
                    const uint32_t e2 = lit[bb & litMask];
                    if ((e2 & KindMask) == KindLiteral) {
                        consume(entryLen(e2));
                        if ((pad && overrun()) || op == oe) {
                            status = pad && overrun() ? Truncated : status;
                            done = true;
                            break;
                        }
                        *op++ = uint8_t(entryValue(e2));
                    }
                }
                continue;
            }
            if (kind == KindEnd) {
                if (pad && overrun()) {
                    status = Truncated;
                    done = true;
                }
                break;
            }
            if (kind != KindBase) {
                status = BadCode;
                done = true;
                break;
            }
            size_t len = entryValue(e) + bits(entryExtra(e));
            consume(entryExtra(e));
            if (bc < 32)
                refill();
            uint32_t d = dist[bb & distMask];
            if ((d & KindMask) == KindSub)
                d = dist[entryValue(d) + ((bb >> DistRootBits) & ((1u << entryExtra(d)) - 1))];
            consume(entryLen(d));
            if ((d & KindMask) != KindBase) {
                status = BadCode;
                done = true;
                break;
            }
            const size_t distance = entryValue(d) + bits(entryExtra(d));
            consume(entryExtra(d));
            if (pad && overrun()) {
                status = Truncated;
                done = true;
                break;
            }
            if (distance > size_t(op - ob)) {
                status = BadCode;
                done = true;
                break;
            }
            const size_t room = size_t(oe - op);
            if (len >= room) {
                copyMatch(op, distance, room);
                op += room;
                if (len > room) {
                    done = true;
                    break;
                }
                continue;
            }
            copyMatch(op, distance, len);
            op += len;
        }
        if (final)
            break;
    }
    finish();
    return status;
}

} // namespace png
