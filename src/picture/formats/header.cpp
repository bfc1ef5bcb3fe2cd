#include "picture/formats/header.h"

#include <cstring>

#include "io/input_file.h"

namespace pellumir {

namespace {
// Header lines are read in pieces of at most this many bytes.
constexpr size_t kLineBuffer = 512;
}  // namespace

int skipHeader(ByteInput& in) {
    char line[kLineBuffer];
    // Cause when exceeded: "the header is longer than 4 MiB" (/dev/zero, a
    // huge file without an empty line).
    uint64_t headerLeft = kLongestHeader;
    for (;;) {
        size_t count = in.getLine(line, sizeof line);
        if (count == 0 || count > headerLeft) return -1;
        headerLeft -= count;
        if (line[0] == '\n') return 0;
        // A line longer than the buffer arrives in pieces. Its last byte is
        // read again with the next piece, so that a piece that is nothing
        // but the line's LF never passes for the empty line. Only a piece
        // that really was cut (no LF read) is treated so: a line of 509
        // characters fills the buffer with its LF and NUL and is complete.
        bool cut = count == sizeof line - 1 && std::memchr(line, '\n', count) == nullptr;
        if (cut) in.unget();
    }
}

}  // namespace pellumir
