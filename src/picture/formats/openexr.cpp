#include "picture/formats/openexr.h"

// The core library (OpenEXRCore) rather than the C++ classes: it reports
// every failure as a code instead of an exception, reads the header without
// touching the chunks, and decodes one chunk at a time into buffers the
// caller sizes, so that the header's claims can be checked against the file
// and the memory budget before anything large is allocated.
#include <IlmThreadPool.h>
#include <fcntl.h>
#include <openexr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <thread>

#include "io/input_file.h"
#include "io/read_progress.h"
#include "io/save_target.h"
#include "picture/formats/float_raster.h"
#include "picture/formats/float_samples.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

namespace ilm = ILMTHREAD_NAMESPACE;

// Each chunk of a scanline file costs at least its offset (8 bytes) and its
// leader (the row and the byte count, 8 bytes); a tile's leader is 20.
constexpr uint64_t kFewestScanlineChunkBytes = 16;
constexpr uint64_t kFewestTileChunkBytes = 28;

// Where the bytes come from: a file descriptor or a block of memory. The
// core library reads through it from several threads at once.
struct ExrSource {
    int fd = -1;
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    std::mutex lock;      // guards `message`: chunks fail on any thread
    std::string message;  // the core library's first error, for a cause without better words
};

int64_t readSource(exr_const_context_t, void* userData, void* buffer, uint64_t size,
                   uint64_t offset, exr_stream_error_func_ptr_t) {
    auto* source = static_cast<ExrSource*>(userData);
    if (offset >= source->size || size > INT64_MAX) return 0;
    uint64_t count = std::min(size, source->size - offset);
    if (source->data) {
        std::memcpy(buffer, source->data + offset, count);
        return static_cast<int64_t>(count);
    }
    uint64_t done = 0;
    while (done < count) {
        ssize_t got = pread(source->fd, static_cast<uint8_t*>(buffer) + done, count - done,
                            static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<uint64_t>(got);
    }
    return static_cast<int64_t>(done);
}

int64_t sizeOfSource(exr_const_context_t, void* userData) {
    return static_cast<int64_t>(static_cast<ExrSource*>(userData)->size);
}

void keepFirstMessage(exr_const_context_t context, exr_result_t, const char* message) {
    void* userData = nullptr;
    if (exr_get_user_data(context, &userData) != EXR_ERR_SUCCESS || !userData) return;
    auto* source = static_cast<ExrSource*>(userData);
    std::lock_guard<std::mutex> hold(source->lock);
    if (source->message.empty() && message) source->message = message;
}

struct ContextCloser {
    void operator()(exr_context_t context) const { exr_finish(&context); }
};
using ExrContext = std::unique_ptr<std::remove_pointer_t<exr_context_t>, ContextCloser>;

std::string printed(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Which channels make the picture: red, green and blue, or one grey.
struct ChannelChoice {
    int index[3] = {-1, -1, -1};
    bool grey = false;
};

std::string_view nameOf(const exr_attr_chlist_entry_t& channel) {
    if (!channel.name.str || channel.name.length <= 0) return {};
    return {channel.name.str, static_cast<size_t>(channel.name.length)};
}

int findChannel(const exr_attr_chlist_t& channels, std::string_view name) {
    for (int c = 0; c < channels.num_channels; ++c) {
        if (nameOf(channels.entries[c]) == name) return c;
    }
    return -1;
}

bool findColour(const exr_attr_chlist_t& channels, const std::string& layer,
                ChannelChoice& choice) {
    const char* names[3] = {"R", "G", "B"};
    for (int k = 0; k < 3; ++k) {
        choice.index[k] = findChannel(channels, layer + names[k]);
        if (choice.index[k] < 0) return false;
    }
    return true;
}

// R, G and B; else Y alone as grey; else the first layer, by name, with
// all three ("diffuse.R", "diffuse.G", "diffuse.B").
const char* chooseChannels(const exr_attr_chlist_t& channels, ChannelChoice& choice) {
    if (findColour(channels, "", choice)) return nullptr;
    int luminance = findChannel(channels, "Y");
    if (luminance >= 0) {
        if (findChannel(channels, "RY") >= 0 || findChannel(channels, "BY") >= 0) {
            return "OpenEXR files of luminance and chroma are not read";
        }
        choice = ChannelChoice{{luminance, luminance, luminance}, true};
        return nullptr;
    }
    std::string best;
    bool found = false;
    for (int c = 0; c < channels.num_channels; ++c) {
        std::string_view name = nameOf(channels.entries[c]);
        if (name.size() < 3 || name.substr(name.size() - 2) != ".R") continue;
        std::string layer(name.substr(0, name.size() - 1));  // "diffuse."
        ChannelChoice candidate;
        if ((!found || layer < best) && findColour(channels, layer, candidate)) {
            best = layer;
            choice = candidate;
            found = true;
        }
    }
    if (found) return nullptr;
    return "the OpenEXR file has no R, G and B channels and no Y channel";
}

// What the reader needs of the first part, once checked.
struct ExrLayout {
    int32_t left = 0;  // the data window's first column and row
    int32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool tiled = false;
    int32_t chunks = 0;        // of the full-resolution level, the only one read
    uint32_t chunkWidth = 0;   // pixels across one chunk: the width, or a tile's
    uint32_t chunkHeight = 0;  // rows of one chunk, or of one tile
    uint32_t tilesAcross = 1;
    ChannelChoice choice;
    bool halves = false;  // every channel taken is half: decoded as such, widened here
};

int checkLayout(exr_const_context_t context, uint64_t fileSize, FailureReason* reason,
                ExrLayout& layout) {
    exr_storage_t storage = EXR_STORAGE_LAST_TYPE;
    if (exr_get_storage(context, 0, &storage) != EXR_ERR_SUCCESS) {
        return failWith(reason, "the OpenEXR file's first part has no type");
    }
    if (storage == EXR_STORAGE_DEEP_SCANLINE || storage == EXR_STORAGE_DEEP_TILED) {
        return failWith(reason, "deep OpenEXR pictures are not read");
    }
    layout.tiled = storage == EXR_STORAGE_TILED;

    const exr_attr_chlist_t* channels = nullptr;
    if (exr_get_channels(context, 0, &channels) != EXR_ERR_SUCCESS || !channels) {
        return failWith(reason, "the OpenEXR file has no channel list");
    }
    if (const char* refusal = chooseChannels(*channels, layout.choice)) {
        return failWith(reason, refusal);
    }
    uint64_t bytesPerPixel = 0;
    for (int k = 0; k < (layout.choice.grey ? 1 : 3); ++k) {
        const exr_attr_chlist_entry_t& channel = channels->entries[layout.choice.index[k]];
        if (channel.x_sampling != 1 || channel.y_sampling != 1) {
            return failWith(reason, "OpenEXR files of subsampled channels are not read");
        }
        bytesPerPixel += channel.pixel_type == EXR_PIXEL_HALF ? 2 : 4;
    }
    layout.halves = bytesPerPixel == (layout.choice.grey ? 2u : 6u);

    exr_attr_box2i_t window{};
    if (exr_get_data_window(context, 0, &window) != EXR_ERR_SUCCESS) {
        return failWith(reason, "the OpenEXR file has no data window");
    }
    int64_t width = int64_t{window.max.x} - window.min.x + 1;
    int64_t height = int64_t{window.max.y} - window.min.y + 1;
    if (width < 1 || height < 1) {
        return failWith(reason, "the OpenEXR file's data window is empty");
    }
    layout.left = window.min.x;
    layout.top = window.min.y;
    layout.width = static_cast<uint32_t>(width);
    layout.height = static_cast<uint32_t>(height);
    uint64_t pictureBytes = 0;
    if (!checkedProduct(layout.width, layout.height, pictureBytes) ||
        !checkedProduct(pictureBytes, sizeof(RgbePixel), pictureBytes) ||
        !withinMemoryBudget(pictureBytes)) {
        return failWith(reason, tooLargeText(layout.width, layout.height));
    }

    // Every chunk has its offset and its leader in the file: a header that
    // claims more chunks than the file has room for fails here, before the
    // core library reads the offset table.
    if (exr_get_chunk_count(context, 0, &layout.chunks) != EXR_ERR_SUCCESS || layout.chunks <= 0) {
        return failWith(reason, "the OpenEXR file's chunks cannot be counted");
    }
    uint64_t fewest = uint64_t(layout.chunks) *
                      (layout.tiled ? kFewestTileChunkBytes : kFewestScanlineChunkBytes);
    exr_compression_t compression = EXR_COMPRESSION_NONE;
    exr_get_compression(context, 0, &compression);
    uint64_t stored = 0;
    if (compression == EXR_COMPRESSION_NONE &&
        (!checkedProduct(uint64_t{layout.width} * layout.height, bytesPerPixel, stored))) {
        stored = UINT64_MAX;
    }
    if (fewest > fileSize || stored > fileSize) {
        return failWith(reason, claimText(layout.width, layout.height, fileSize));
    }
    // As every reader: under the pixel cap, and shown within the memory
    // budget, before anything is decoded.
    if (!pictureFitsInMemory(layout.width, layout.height)) {
        return failWith(reason, tooLargeText(layout.width, layout.height));
    }

    if (layout.tiled) {
        int32_t tileWidth = 0;
        int32_t tileHeight = 0;
        if (exr_get_tile_sizes(context, 0, 0, 0, &tileWidth, &tileHeight) != EXR_ERR_SUCCESS ||
            tileWidth <= 0 || tileHeight <= 0) {
            return failWith(reason, "the OpenEXR file's tiles have no size");
        }
        layout.chunkWidth = std::min<uint32_t>(static_cast<uint32_t>(tileWidth), layout.width);
        layout.chunkHeight = std::min<uint32_t>(static_cast<uint32_t>(tileHeight), layout.height);
        uint64_t across = (uint64_t{layout.width} + static_cast<uint32_t>(tileWidth) - 1) /
                          static_cast<uint32_t>(tileWidth);
        uint64_t down = (uint64_t{layout.height} + static_cast<uint32_t>(tileHeight) - 1) /
                        static_cast<uint32_t>(tileHeight);
        // Mipmapped files hold smaller levels after the first; they are not read.
        if (across * down > static_cast<uint64_t>(layout.chunks)) {
            return failWith(reason, "the OpenEXR file's tiles do not cover its data window");
        }
        layout.tilesAcross = static_cast<uint32_t>(across);
        layout.chunks = static_cast<int32_t>(across * down);
    } else {
        int32_t lines = 0;
        if (exr_get_scanlines_per_chunk(context, 0, &lines) != EXR_ERR_SUCCESS || lines <= 0) {
            return failWith(reason, "the OpenEXR file's chunks have no height");
        }
        layout.chunkWidth = layout.width;
        layout.chunkHeight = std::min<uint32_t>(static_cast<uint32_t>(lines), layout.height);
    }
    return 1;
}

// Where one decoded chunk goes in the picture.
struct ChunkPlace {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// One thread's decoding: the core library's pipeline and the floats of
// one chunk, red, green and blue a pixel.
class ChunkDecoder {
  public:
    ChunkDecoder(exr_const_context_t context, const ExrLayout& layout)
        : context_(context), layout_(layout) {}
    ~ChunkDecoder() {
        if (started_) exr_decoding_destroy(context_, &pipeline_);
    }
    ChunkDecoder(const ChunkDecoder&) = delete;
    ChunkDecoder& operator=(const ChunkDecoder&) = delete;

    bool allocate() {
        const size_t count = size_t{layout_.chunkWidth} * layout_.chunkHeight * 3;
        if (layout_.halves) {
            halves_.reset(new (std::nothrow) uint16_t[count]);
            return halves_ != nullptr;
        }
        floats_.reset(new (std::nothrow) float[count]);
        return floats_ != nullptr;
    }

    // Decodes chunk `index` (in the order of the offset table) into the
    // floats; the place it covers goes to `place` as soon as it is known.
    exr_result_t decode(int32_t index, ChunkPlace& place, exr_chunk_info_t& info) {
        exr_result_t result;
        if (layout_.tiled) {
            auto tileX = static_cast<uint32_t>(index) % layout_.tilesAcross;
            auto tileY = static_cast<uint32_t>(index) / layout_.tilesAcross;
            place.x = tileX * layout_.chunkWidth;
            place.y = tileY * layout_.chunkHeight;
            result = exr_read_tile_chunk_info(context_, 0, static_cast<int>(tileX),
                                              static_cast<int>(tileY), 0, 0, &info);
        } else {
            place.x = 0;
            place.y = static_cast<uint32_t>(index) * layout_.chunkHeight;
            result = exr_read_scanline_chunk_info(
                context_, 0, static_cast<int>(layout_.top + static_cast<int64_t>(place.y)), &info);
        }
        if (result != EXR_ERR_SUCCESS) return result;
        // The chunk must fit the buffer and the picture where it is put.
        if (info.width <= 0 || info.height <= 0 ||
            static_cast<uint32_t>(info.width) > layout_.chunkWidth ||
            static_cast<uint32_t>(info.height) > layout_.chunkHeight ||
            place.x + static_cast<uint64_t>(info.width) > layout_.width ||
            place.y + static_cast<uint64_t>(info.height) > layout_.height) {
            return EXR_ERR_CORRUPT_CHUNK;
        }
        place.width = static_cast<uint32_t>(info.width);
        place.height = static_cast<uint32_t>(info.height);

        if (!started_) {
            started_ = true;
            result = exr_decoding_initialize(context_, 0, &info, &pipeline_);
        } else {
            result = exr_decoding_update(context_, 0, &info, &pipeline_);
        }
        if (result != EXR_ERR_SUCCESS) return result;
        pointChannels();
        result = exr_decoding_choose_default_routines(context_, 0, &pipeline_);
        if (result != EXR_ERR_SUCCESS) return result;
        return exr_decoding_run(context_, 0, &pipeline_);
    }

    void encode(const ChunkPlace& place, RgbeImage& image) const {
        // Red, green and blue a pixel; grey decodes into the red.
        const size_t sampleBytes = layout_.halves ? sizeof(uint16_t) : sizeof(float);
        const auto* samples = layout_.halves ? reinterpret_cast<const uint8_t*>(halves_.get())
                                             : reinterpret_cast<const uint8_t*>(floats_.get());
        SampleRow row;
        row.sampleBytes = static_cast<unsigned>(sampleBytes);
        row.pixelStep = 3 * sampleBytes;
        const size_t rowBytes = row.pixelStep * layout_.chunkWidth;
        for (uint32_t r = 0; r < place.height; ++r) {
            row.red = samples + r * rowBytes;
            row.green = layout_.choice.grey ? row.red : row.red + sampleBytes;
            row.blue = layout_.choice.grey ? row.red : row.red + 2 * sampleBytes;
            encodeSampleRow(row, place.width, image.rows[place.y + r] + place.x);
        }
    }

  private:
    // The chosen channels decode into their place of each pixel, as halves
    // when all of them are (the core library then interleaves them in one
    // quick pass), else as floats; the others (alpha, depth, ...) are not
    // unpacked at all.
    void pointChannels() {
        const int32_t elementBytes = layout_.halves ? 2 : 4;
        const int32_t pixelBytes = 3 * elementBytes;
        for (int16_t c = 0; c < pipeline_.channel_count; ++c) {
            exr_coding_channel_info_t& channel = pipeline_.channels[c];
            channel.decode_to_ptr = nullptr;
            for (int k = 0; k < (layout_.choice.grey ? 1 : 3); ++k) {
                if (layout_.choice.index[k] != c) continue;
                channel.decode_to_ptr = layout_.halves
                                            ? reinterpret_cast<uint8_t*>(halves_.get() + k)
                                            : reinterpret_cast<uint8_t*>(floats_.get() + k);
                channel.user_pixel_stride = pixelBytes;
                channel.user_line_stride = pixelBytes * static_cast<int32_t>(layout_.chunkWidth);
                channel.user_data_type = layout_.halves ? EXR_PIXEL_HALF : EXR_PIXEL_FLOAT;
                channel.user_bytes_per_element = static_cast<int16_t>(elementBytes);
            }
        }
    }

    exr_const_context_t context_;
    const ExrLayout& layout_;
    exr_decode_pipeline_t pipeline_ = EXR_DECODE_PIPELINE_INITIALIZER;
    bool started_ = false;
    std::unique_ptr<float[]> floats_;
    std::unique_ptr<uint16_t[]> halves_;
};

// The first failing chunk of a read, and why.
struct ChunkFailure {
    std::mutex lock;
    int32_t index = INT32_MAX;
    uint32_t row = 0;
    exr_result_t result = EXR_ERR_SUCCESS;
    bool endOfFile = false;
    bool stopped = false;  // by the user, through the progress watch

    void note(int32_t chunk, const ChunkPlace& place, exr_result_t code, bool ended) {
        std::lock_guard<std::mutex> hold(lock);
        if (chunk >= index) return;
        index = chunk;
        row = place.y;
        result = code;
        endOfFile = ended;
    }
};

// Whether a chunk failed because the file stops before its bytes do.
bool endsInChunk(exr_result_t result, const exr_chunk_info_t& info, bool infoRead,
                 uint64_t fileSize) {
    if (result == EXR_ERR_READ_IO) return true;
    return infoRead &&
           (info.data_offset > fileSize || info.packed_size > fileSize - info.data_offset);
}

// Decodes and encodes chunk after chunk until none is left or one fails.
// The thread that started the read reports its progress, which only that
// thread's watcher may hear.
void decodeChunks(exr_const_context_t context, const ExrLayout& layout, uint64_t fileSize,
                  std::atomic<int32_t>& next, ChunkFailure& failure, RgbeImage& image,
                  bool reportsProgress) {
    ChunkDecoder decoder(context, layout);
    if (!decoder.allocate()) {
        failure.note(next.load(), ChunkPlace{}, EXR_ERR_OUT_OF_MEMORY, false);
        return;
    }
    while (true) {
        // Asked before each chunk is taken, so that even a read whose
        // chunks all went to other threads is asked at least once.
        if (reportsProgress && !reportReadProgress(static_cast<uint64_t>(next.load()),
                                                   static_cast<uint64_t>(layout.chunks))) {
            std::lock_guard<std::mutex> hold(failure.lock);
            failure.stopped = true;
            next = layout.chunks;
            return;
        }
        int32_t index = next++;
        if (index >= layout.chunks) return;
        ChunkPlace place;
        exr_chunk_info_t info{};
        info.width = -1;
        exr_result_t result = decoder.decode(index, place, info);
        if (result != EXR_ERR_SUCCESS) {
            failure.note(index, place, result,
                         endsInChunk(result, info, info.width >= 0, fileSize));
            next = layout.chunks;  // the others stop after their chunk
            return;
        }
        decoder.encode(place, image);
    }
}

class DecodeTask : public ilm::Task {
  public:
    DecodeTask(ilm::TaskGroup* group, std::function<void()> work)
        : ilm::Task(group), work_(std::move(work)) {}
    void execute() override { work_(); }

  private:
    std::function<void()> work_;
};

// OpenEXR's thread pool has no threads until someone gives it some; the
// viewer and the converter read one picture at a time, so it gets a thread
// for each core the first time a file is read.
int poolThreads() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (ilm::ThreadPool::globalThreadPool().numThreads() == 0) {
            unsigned cores = std::thread::hardware_concurrency();
            if (cores > 1)
                ilm::ThreadPool::globalThreadPool().setNumThreads(static_cast<int>(cores));
        }
    });
    return ilm::ThreadPool::globalThreadPool().numThreads();
}

std::string chunkFailureText(const ChunkFailure& failure, ExrSource& source) {
    if (failure.result == EXR_ERR_OUT_OF_MEMORY) {
        return "there is not enough memory to decode the OpenEXR file";
    }
    if (failure.endOfFile) return printed("the file ends in scanline %u", failure.row);
    std::string text = printed("scanline %u cannot be decoded", failure.row);
    std::lock_guard<std::mutex> hold(source.lock);
    text += ": ";
    text += source.message.empty() ? exr_get_error_code_as_string(failure.result) : source.message;
    return text;
}

int readOpenContext(RgbeImage& image, exr_const_context_t context, ExrSource& source,
                    FailureReason* reason) {
    ExrLayout layout;
    if (!checkLayout(context, source.size, reason, layout)) return 0;
    int threads = std::max(1, poolThreads());
    // One chunk buffer a thread; a chunk is at most a few hundred rows.
    uint64_t buffers = 0;
    if (!checkedProduct(uint64_t{layout.chunkWidth} * layout.chunkHeight, 3 * sizeof(float),
                        buffers) ||
        !checkedProduct(buffers, static_cast<uint64_t>(threads) + 1, buffers) ||
        !withinMemoryBudget(buffers)) {
        return failWith(reason, tooLargeText(layout.width, layout.height));
    }

    // The first chunk is decoded before the picture is asked for: a
    // compressed chunk does not say how far it decodes, and a few bytes
    // that claim billions of pixels must fail without taking their memory.
    ChunkDecoder first(context, layout);
    if (!first.allocate()) return failWith(reason, tooLargeText(layout.width, layout.height));
    ChunkFailure failure;
    ChunkPlace place;
    exr_chunk_info_t info{};
    info.width = -1;
    exr_result_t result = first.decode(0, place, info);
    if (result != EXR_ERR_SUCCESS) {
        failure.note(0, place, result, endsInChunk(result, info, info.width >= 0, source.size));
        return failWith(reason, chunkFailureText(failure, source));
    }
    image.allocate(layout.width, layout.height);
    if (image.empty()) return failWith(reason, tooLargeText(layout.width, layout.height));
    first.encode(place, image);

    std::atomic<int32_t> next{1};
    if (layout.chunks > 1) {
        // The pool's threads and this one share the chunks; the group's
        // destructor waits until every task has finished.
        ilm::TaskGroup group;
        int tasks = std::min(threads - 1, layout.chunks - 2);
        for (int t = 0; t < tasks; ++t) {
            ilm::ThreadPool::addGlobalTask(new DecodeTask(&group, [&] {
                decodeChunks(context, layout, source.size, next, failure, image, false);
            }));
        }
        decodeChunks(context, layout, source.size, next, failure, image, true);
    }
    if (failure.stopped) {
        image.release();
        return failWith(reason, kReadingStoppedText);
    }
    if (failure.index != INT32_MAX) {
        image.release();
        return failWith(reason, chunkFailureText(failure, source));
    }
    return 1;
}

int readFromSource(RgbeImage& image, const char* name, ExrSource& source, FailureReason* reason) {
    image.release();
    exr_context_initializer_t initializer = EXR_DEFAULT_CONTEXT_INITIALIZER;
    initializer.error_handler_fn = keepFirstMessage;
    initializer.user_data = &source;
    initializer.read_fn = readSource;
    initializer.size_fn = sizeOfSource;
    exr_context_t opened = nullptr;
    exr_result_t result = exr_start_read(&opened, name, &initializer);
    ExrContext context(opened);
    if (result != EXR_ERR_SUCCESS || !context) {
        bool magic = source.size >= 4 && [&] {
            uint8_t start[4] = {};
            if (source.data) {
                std::memcpy(start, source.data, 4);
            } else if (pread(source.fd, start, 4, 0) != 4) {
                return false;
            }
            return start[0] == 0x76 && start[1] == 0x2f && start[2] == 0x31 && start[3] == 0x01;
        }();
        if (!magic) return failWith(reason, "the file is not an OpenEXR file");
        std::string text = "the OpenEXR header cannot be read";
        std::lock_guard<std::mutex> hold(source.lock);
        if (!source.message.empty()) text += ": " + source.message;
        return failWith(reason, text);
    }
    // Whatever escapes the thread pool (it may fail to start a thread)
    // fails the read rather than the program.
    try {
        return readOpenContext(image, context.get(), source, reason);
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
