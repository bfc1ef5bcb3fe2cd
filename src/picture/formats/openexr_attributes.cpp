#include "picture/formats/openexr_attributes.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "io/input_file.h"

namespace pellumir {

namespace {

// After the magic number and the version: name, type, size, value; an
// empty name ends the header. Names and types are at most 255 bytes.
constexpr uint64_t kFirstAttribute = 8;
constexpr uint64_t kLongestWord = 256;

// The NUL-terminated word at `at`, moving `at` past it; false when the
// file ends or the word is longer than any the format allows.
bool readWord(const ExrSource& source, uint64_t& at, std::string& word) {
    char bytes[kLongestWord];
    int64_t got = source.read(bytes, sizeof bytes, at);
    if (got <= 0) return false;
    const void* end = std::memchr(bytes, 0, static_cast<size_t>(got));
    if (!end) return false;
    word.assign(bytes, static_cast<size_t>(static_cast<const char*>(end) - bytes));
    at += word.size() + 1;
    return true;
}

// The name as the reason shows it: only its printable letters.
std::string printable(const std::string& name) {
    std::string shown;
    for (char c : name)
        shown += (c >= 0x20 && c < 0x7f) ? c : '?';
    return shown;
}

}  // namespace

int exrAttributesFitTheFile(const ExrSource& source, FailureReason* reason) {
    uint64_t at = kFirstAttribute;
    std::string name;
    std::string type;
    // Past the longest header any reader takes, the library's checks do.
    while (at < kLongestHeader && readWord(source, at, name) && !name.empty() &&
           readWord(source, at, type)) {
        uint8_t size[4];
        if (source.read(size, sizeof size, at) != sizeof size) return 1;
        at += sizeof size;
        // Little-endian, as every number of the format.
        int64_t claimed = int32_t(uint32_t{size[0]} | uint32_t{size[1]} << 8 |
                                  uint32_t{size[2]} << 16 | uint32_t{size[3]} << 24);
        // Negative sizes are refused by the library before it sizes anything.
        if (claimed < 0) return 1;
        if (static_cast<uint64_t>(claimed) > source.size - at) {
            return failWith(reason, "the OpenEXR header cannot be read: its attribute " +
                                        printable(name) + " claims " + std::to_string(claimed) +
                                        " bytes, and only " + std::to_string(source.size - at) +
                                        " are left in the file");
        }
        at += static_cast<uint64_t>(claimed);
    }
    return 1;
}

}  // namespace pellumir
