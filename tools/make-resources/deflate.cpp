#include "make-resources/deflate.h"

#include <algorithm>

namespace pellumir {

namespace {

constexpr size_t kWindow = 32768;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 258;
// How many earlier places with the same three bytes are tried: enough for
// the icons, and it bounds the time on long runs of one byte.
constexpr int kMaxChainSteps = 64;
constexpr int kHashBits = 15;
constexpr uint32_t kNoPosition = UINT32_MAX;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Deflate packs bits from the least significant end of each byte; Huffman
// codes go in from their most significant bit, extra bits from their least.
struct BitWriter {
    std::vector<uint8_t>& out;
    uint32_t pending = 0;
    int count = 0;

    void bits(uint32_t value, int n) {
        for (int i = 0; i < n; ++i) {
            pending |= ((value >> i) & 1u) << count;
            if (++count == 8) {
                out.push_back(static_cast<uint8_t>(pending));
                pending = 0;
                count = 0;
            }
        }
    }
    void code(uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i)
            bits((value >> i) & 1u, 1);
    }
    void flush() {
        if (count > 0) out.push_back(static_cast<uint8_t>(pending));
        pending = 0;
        count = 0;
    }
};

// The fixed literal/length code.
void putSymbol(BitWriter& writer, uint32_t symbol) {
    if (symbol < 144)
        writer.code(0x30 + symbol, 8);
    else if (symbol < 256)
        writer.code(0x190 + (symbol - 144), 9);
    else if (symbol < 280)
        writer.code(symbol - 256, 7);
    else
        writer.code(0xC0 + (symbol - 280), 8);
}

void putMatch(BitWriter& writer, size_t length, size_t distance) {
    int l = 28;
    while (kLengthBase[l] > length)
        --l;
    putSymbol(writer, 257 + static_cast<uint32_t>(l));
    writer.bits(static_cast<uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > distance)
        --d;
    writer.code(static_cast<uint32_t>(d), 5);
    writer.bits(static_cast<uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

uint32_t hashAt(const uint8_t* p) {
    uint32_t v = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

uint32_t adler32(const uint8_t* data, size_t size) {
    constexpr uint32_t kModulus = 65521;
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % kModulus;
        b = (b + a) % kModulus;
    }
    return b << 16 | a;
}

std::vector<uint8_t> zlibCompress(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (size >= kNoPosition) return out;
    // CMF: deflate with a 32 KiB window; FLG: no dictionary, and the check
    // bits that make CMF * 256 + FLG a multiple of 31.
    out.push_back(0x78);
    out.push_back(0x01);

    BitWriter writer{out};
    writer.bits(1, 1);  // the last block
    writer.bits(1, 2);  // fixed Huffman codes

    std::vector<uint32_t> head(size_t{1} << kHashBits, kNoPosition);
    std::vector<uint32_t> previous(kWindow, kNoPosition);
    auto remember = [&](size_t at) {
        if (at + kMinMatch > size) return;
        uint32_t h = hashAt(data + at);
        previous[at % kWindow] = head[h];
        head[h] = static_cast<uint32_t>(at);
    };

    size_t at = 0;
    while (at < size) {
        size_t bestLength = 0;
        size_t bestDistance = 0;
        if (at + kMinMatch <= size) {
            size_t limit = std::min(kMaxMatch, size - at);
            uint32_t candidate = head[hashAt(data + at)];
            for (int step = 0; step < kMaxChainSteps && candidate != kNoPosition; ++step) {
                size_t distance = at - candidate;
                if (distance > kWindow - 1) break;
                size_t length = 0;
                while (length < limit && data[candidate + length] == data[at + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                    if (length == limit) break;
                }
                uint32_t next = previous[candidate % kWindow];
                // A slot overwritten by a newer place ends the chain.
                if (next != kNoPosition && next >= candidate) break;
                candidate = next;
            }
        }
        if (bestLength >= kMinMatch) {
            putMatch(writer, bestLength, bestDistance);
            for (size_t i = 0; i < bestLength; ++i)
                remember(at + i);
            at += bestLength;
        } else {
            putSymbol(writer, data[at]);
            remember(at);
            ++at;
        }
    }
    putSymbol(writer, 256);  // end of block
    writer.flush();

    uint32_t check = adler32(data, size);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(check >> shift));
    return out;
}

}  // namespace pellumir
