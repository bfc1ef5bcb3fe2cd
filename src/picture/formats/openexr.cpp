#include "picture/formats/openexr.h"

#include <unistd.h>

#include <cerrno>

#include "io/input_file.h"
#include "io/save_target.h"
#include "picture/formats/openexr_chunks.h"
#include "picture/formats/openexr_layout.h"
#include "picture/formats/openexr_source.h"

namespace pellumir {

namespace {

int readFromSource(RgbeImage& image, const char* name, ExrSource& source, FailureReason* reason) {
    image.release();
    ExrContext context = startExrRead(name, source, reason);
    if (!context) return 0;
    ExrLayout layout;
    if (!checkExrLayout(context.get(), source.size, reason, layout)) return 0;
    // Whatever escapes the thread pool (it may fail to start a thread)
    // fails the read rather than the program.
    try {
        return readExrChunks(image, context.get(), layout, source, reason);
    } catch (...) {
        image.release();
        return failWith(reason, "the OpenEXR file cannot be decoded");
    }
}

}  // namespace

int readOpenExr(RgbeImage& image, const std::string& path, FailureReason* reason) {
    image.release();
    // The readers' one door: never blocks, regular files only.
    ExrSource source;
    int fd = openInputFile(path, &source.size);
    if (fd < 0) return failWithFileError(reason, errno);
    source.fd = fd;
    int result = readFromSource(image, path.c_str(), source, reason);
    close(fd);
    return result;
}

int readOpenExrFromMemory(RgbeImage& image, const uint8_t* data, size_t size,
                          FailureReason* reason) {
    ExrSource source;
    source.data = data;
    source.size = size;
    return readFromSource(image, "memory", source, reason);
}

}  // namespace pellumir
