// Any bytes as the resolution line: parsed as text, and read from a stream
// the way the Radiance reader reads it (at most 31 bytes of the line).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "io/byte_input.h"
#include "picture/formats/header.h"
#include "picture/formats/resolu.h"

namespace {

using namespace pellumir;

void checkParsed(int ok, const Resolution& resolution) {
    if (ok != 0 && ok != 1) std::abort();
    if (ok == 1 && (resolution.xSize <= 0 || resolution.ySize <= 0 || resolution.flags < 0 ||
                    resolution.flags > 7)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // As text: everything up to the first NUL, the way a C string ends.
    std::string text(reinterpret_cast<const char*>(data), size);
    Resolution parsed;
    checkParsed(parseResolution(text.c_str(), parsed), parsed);

    // As a stream: the same line must give the same sizes, whichever axis
    // the scanlines run along.
    {
        fuzz::InputStream file(data, size);
        ByteInput in(file.get());
        uint32_t length = 0;
        uint32_t count = 0;
        int flags = readResolution(in, length, count);
        if (flags < -1 || flags > 7) std::abort();
        if (flags >= 0 && (length == 0 || count == 0 || length > INT32_MAX || count > INT32_MAX)) {
            std::abort();
        }
    }

    // And behind a header, as it stands in a file.
    {
        fuzz::InputStream file(data, size);
        ByteInput in(file.get());
        int skipped = skipHeader(in);
        if (skipped != 0 && skipped != -1) std::abort();
        uint32_t length = 0;
        uint32_t count = 0;
        int flags = readResolution(in, length, count);
        if (flags < -1 || flags > 7) std::abort();
    }
    return 0;
}
