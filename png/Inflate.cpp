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
constexpr uint16_t DistBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                   49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                   2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t DistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                   7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Output slack beyond the capacity, so that word-wide copies may overshoot.
constexpr size_t Slack = 16;

uint32_t litSymbol(unsigned s)
{
    if (s < 256)
        return makeEntry(s, KindLiteral, 0, 0);
    if (s == 256)
        return makeEntry(0, KindEnd, 0, 0);
    if (s > 285)
        return Invalid;
    return makeEntry(LengthBase[s - 257], KindBase, LengthExtra[s - 257], 0);
}

// Distance codes 30 and 31 take part in the code but never stand for a distance.
uint32_t distSymbol(unsigned s)
{
    return s < 30 ? makeEntry(DistBase[s], KindBase, DistExtra[s], 0) : Invalid;
}

uint32_t plainSymbol(unsigned s)
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
bool buildTable(const uint8_t *lens, unsigned n, uint32_t (*symbol)(unsigned), unsigned rootBits, Sparse sparse,
                std::vector<uint32_t> &table)
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
            const uint32_t e = symbol(s) | len;
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

// The bit buffer. Bits are taken least significant first. Past the end of the input the
// buffer is fed zero bytes, counted in `pad`: once fewer than pad*8 bits remain, input was
// overrun.
struct Inflate::Bits {
    const uint8_t *ip;
    const uint8_t *ie;
    uint64_t bb = 0;
    unsigned bc = 0;
    size_t pad = 0;

    void refill()
    {
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
    }
    void consume(unsigned n)
    {
        bb >>= n;
        bc -= n;
    }
    bool overrun() const { return pad * 8 > bc; }
    uint32_t peek(unsigned n) const { return uint32_t(bb & ((uint64_t(1) << n) - 1)); }
};

Inflate::Inflate() = default;

bool Inflate::buildFixed()
{
    if (m_fixedBuilt)
        return true;
    uint8_t lens[288];
    std::memset(lens, 8, 144);
    std::memset(lens + 144, 9, 112);
    std::memset(lens + 256, 7, 24);
    std::memset(lens + 280, 8, 8);
    uint8_t dlens[32];
    std::memset(dlens, 5, 32);
    m_fixedBuilt = buildTable(lens, 288, litSymbol, LitRootBits, Sparse::None, m_fixedLit)
                   && buildTable(dlens, 32, distSymbol, DistRootBits, Sparse::None, m_fixedDist);
    return m_fixedBuilt;
}

void Inflate::reportTreeError()
{
    if (m_message)
        m_message(TreeErrorText);
}

Inflate::Step Inflate::storedBlock(Bits &in, uint8_t *&op, uint8_t *oe, int32_t &status)
{
    // Back to the byte after the block header: whole bytes still in the buffer are unread.
    in.consume(in.bc & 7);
    const size_t buffered = in.bc / 8;
    if (buffered < in.pad) {
        status = BadBlock;
        return Step::Stop;
    }
    in.ip -= buffered - in.pad;
    in.bb = 0;
    in.bc = 0;
    in.pad = 0;
    if (in.ie - in.ip < 5) {
        status = BadBlock;
        return Step::Stop;
    }
    const unsigned len = in.ip[0] | unsigned(in.ip[1]) << 8;
    const unsigned nlen = in.ip[2] | unsigned(in.ip[3]) << 8;
    in.ip += 4;
    if (len != (~nlen & 0xFFFFu))
        status = BadStoredLength;
    if (len > size_t(in.ie - in.ip) || len > size_t(oe - op)) {
        status = BadBlock;
        return Step::Stop;
    }
    std::memcpy(op, in.ip, len);
    op += len;
    in.ip += len;
    return Step::Go;
}

Inflate::Step Inflate::dynamicHeader(Bits &in, int32_t &status)
{
    in.refill();
    const unsigned hlit = in.peek(5) + 257;
    const unsigned hdist = ((in.bb >> 5) & 31) + 1;
    const unsigned hclen = ((in.bb >> 10) & 15) + 4;
    in.consume(14);
    uint8_t cl[19] = {};
    for (unsigned i = 0; i < hclen; ++i) {
        if (in.bc < 3)
            in.refill();
        cl[CodeLengthOrder[i]] = uint8_t(in.peek(3));
        in.consume(3);
    }
    if (in.overrun()) {
        status = Truncated;
        return Step::Stop;
    }
    if (!buildTable(cl, 19, plainSymbol, CodeLenRootBits, Sparse::None, m_codeLen))
        return Step::BadTree;
    uint8_t lens[320];
    const unsigned total = hlit + hdist;
    unsigned n = 0;
    while (n < total) {
        if (in.bc < 16)
            in.refill();
        const uint32_t e = m_codeLen[in.peek(CodeLenRootBits)];
        in.consume(entryLen(e));
        const unsigned sym = entryValue(e);
        unsigned rep = 0;
        uint8_t value = 0;
        if (sym < 16) {
            lens[n++] = uint8_t(sym);
            continue;
        }
        if (sym == 16) {
            rep = 3 + in.peek(2);
            in.consume(2);
            if (n == 0)
                return in.overrun() ? (status = Truncated, Step::Stop) : Step::BadTree;
            value = lens[n - 1];
        } else if (sym == 17) {
            rep = 3 + in.peek(3);
            in.consume(3);
        } else {
            rep = 11 + in.peek(7);
            in.consume(7);
        }
        if (in.overrun())
            break;
        if (n + rep > total)
            return Step::BadTree;
        std::memset(lens + n, value, rep);
        n += rep;
    }
    if (in.overrun()) {
        status = Truncated;
        return Step::Stop;
    }
    if (!buildTable(lens, hlit, litSymbol, LitRootBits, Sparse::Single, m_lit)
        || !buildTable(lens + hlit, hdist, distSymbol, DistRootBits, Sparse::SingleOrEmpty, m_dist))
        return Step::BadTree;
    return Step::Go;
}

int32_t Inflate::run(const uint8_t *in, size_t inSize, Bytes &out, uint32_t &expected)
{
    expected += 100;
    const size_t cap = expected;
    out.resize(cap + Slack);

    uint8_t *const ob = out.data();
    uint8_t *op = ob;
    uint8_t *const oe = ob + cap;
    Bits bits{in, in + inSize};
    int32_t status = Ok;
    auto finish = [&]() {
        out.resize(size_t(op - ob));
        return status;
    };

    bool done = false;
    while (!done) {
        bits.refill();
        const bool final = bits.bb & 1;
        const unsigned type = (bits.bb >> 1) & 3;
        bits.consume(3);
        if (bits.overrun()) {
            status = Truncated;
            break;
        }
        if (type == 3) {
            status = BadBlock;
            break;
        }
        if (type == 0) {
            if (storedBlock(bits, op, oe, status) == Step::Stop)
                break;
            if (final)
                break;
            continue;
        }
        Step header = Step::Go;
        if (type == 1)
            header = buildFixed() ? Step::Go : Step::BadTree;
        else
            header = dynamicHeader(bits, status);
        if (header == Step::Stop)
            break;
        if (header == Step::BadTree) {
            reportTreeError();
            return finish();
        }
        const uint32_t *lit = type == 1 ? m_fixedLit.data() : m_lit.data();
        const uint32_t *dist = type == 1 ? m_fixedDist.data() : m_dist.data();

        // The hot loop works on a copy of the bit buffer that nothing else can see, so that
        // it stays in registers while output bytes are written.
        Bits b = bits;
        constexpr uint64_t litMask = (1u << LitRootBits) - 1;
        constexpr uint64_t distMask = (1u << DistRootBits) - 1;
        for (;;) {
            b.refill();
            uint32_t e = lit[b.bb & litMask];
            if ((e & KindMask) == KindSub)
                e = lit[entryValue(e) + ((b.bb >> LitRootBits) & ((1u << entryExtra(e)) - 1))];
            b.consume(entryLen(e));
            const uint32_t kind = e & KindMask;
            if (kind == KindLiteral) {
                if ((b.pad && b.overrun()) || op == oe) {
                    status = b.pad && b.overrun() ? Truncated : status;
                    done = true;
                    break;
                }
                *op++ = uint8_t(entryValue(e));
                // A second literal without refilling while the buffer surely holds its code.
                if (b.bc >= 15) {
                    const uint32_t e2 = lit[b.bb & litMask];
                    if ((e2 & KindMask) == KindLiteral) {
                        b.consume(entryLen(e2));
                        if ((b.pad && b.overrun()) || op == oe) {
                            status = b.pad && b.overrun() ? Truncated : status;
                            done = true;
                            break;
                        }
                        *op++ = uint8_t(entryValue(e2));
                    }
                }
                continue;
            }
            if (kind == KindEnd) {
                if (b.pad && b.overrun()) {
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
            size_t len = entryValue(e) + b.peek(entryExtra(e));
            b.consume(entryExtra(e));
            if (b.bc < 32)
                b.refill();
            uint32_t d = dist[b.bb & distMask];
            if ((d & KindMask) == KindSub)
                d = dist[entryValue(d) + ((b.bb >> DistRootBits) & ((1u << entryExtra(d)) - 1))];
            b.consume(entryLen(d));
            if ((d & KindMask) != KindBase) {
                status = BadCode;
                done = true;
                break;
            }
            const size_t distance = entryValue(d) + b.peek(entryExtra(d));
            b.consume(entryExtra(d));
            if (b.pad && b.overrun()) {
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
        bits = b;
        if (final)
            break;
    }
    return finish();
}

} // namespace png
