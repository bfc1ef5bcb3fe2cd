#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellumir {

// The zlib stream (RFC 1950) of `data`: one deflate block with the fixed
// Huffman codes and greedy LZ77 matches, then the Adler-32 of the data. The
// fixed codes keep the encoder short and its output the same on every
// machine, which a byte-for-byte check of the committed files relies on; the
// icons are mostly flat colour, so matches alone shrink them well. Places in
// the data are kept in 32 bits: empty for 4 GiB or more.
std::vector<uint8_t> zlibCompress(const uint8_t* data, size_t size);

uint32_t adler32(const uint8_t* data, size_t size);

}  // namespace pellumir
