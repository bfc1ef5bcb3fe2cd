#include "picture/formats/openexr_chunks.h"

// The core library (OpenEXRCore) rather than the C++ classes: it reports
// every failure as a code instead of an exception, reads the header without
// touching the chunks, and decodes one chunk at a time into buffers the
// caller sizes, so that the header's claims can be checked against the file
// and the memory budget before anything large is allocated.
#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "io/read_progress.h"
#include "picture/formats/float_raster.h"
#include "picture/formats/openexr_pool.h"
#include "picture/formats/openexr_rows.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

// Where one decoded chunk goes in the picture.
struct ChunkPlace {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// One thread's decoding: the core library's pipeline and the samples of
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
    // samples; the place it covers goes to `place` as soon as it is known.
    exr_result_t decode(int32_t index, ChunkPlace& place, exr_chunk_info_t& info) {
        exr_result_t result = readInfo(index, place, info);
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
        ExrChannelRows rows;
        rows.halves = layout_.halves;
        rows.grey = layout_.choice.grey;
        rows.samples = layout_.halves ? reinterpret_cast<const uint8_t*>(halves_.get())
                                      : reinterpret_cast<const uint8_t*>(floats_.get());
        rows.rowBytes =
            3 * (layout_.halves ? sizeof(uint16_t) : sizeof(float)) * size_t{layout_.chunkWidth};
        encodeExrRows(rows, place.width, place.height, image, place.x, place.y);
    }

  private:
    exr_result_t readInfo(int32_t index, ChunkPlace& place, exr_chunk_info_t& info) {
        if (layout_.tiled) {
            auto tileX = static_cast<uint32_t>(index) % layout_.tilesAcross;
            auto tileY = static_cast<uint32_t>(index) / layout_.tilesAcross;
            place.x = tileX * layout_.chunkWidth;
            place.y = tileY * layout_.chunkHeight;
            return exr_read_tile_chunk_info(context_, 0, static_cast<int>(tileX),
                                            static_cast<int>(tileY), 0, 0, &info);
        }
        place.x = 0;
        place.y = static_cast<uint32_t>(index) * layout_.chunkHeight;
        return exr_read_scanline_chunk_info(
            context_, 0, static_cast<int>(layout_.top + static_cast<int64_t>(place.y)), &info);
    }

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
            for (int k = 0; k < layout_.choice.taken(); ++k) {
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

// Decodes chunk `index` and notes its failure; returns whether it decoded.
bool decodeOne(ChunkDecoder& decoder, int32_t index, uint64_t fileSize, ChunkPlace& place,
               ChunkFailure& failure) {
    exr_chunk_info_t info{};
    info.width = -1;
    exr_result_t result = decoder.decode(index, place, info);
    if (result == EXR_ERR_SUCCESS) return true;
    failure.note(index, place, result, endsInChunk(result, info, info.width >= 0, fileSize));
    return false;
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
        if (!decodeOne(decoder, index, fileSize, place, failure)) {
            next = layout.chunks;  // the others stop after their chunk
            return;
        }
        decoder.encode(place, image);
    }
}

std::string chunkFailureText(const ChunkFailure& failure, ExrSource& source) {
    if (failure.result == EXR_ERR_OUT_OF_MEMORY) {
        return "there is not enough memory to decode the OpenEXR file";
    }
    if (failure.endOfFile) return endsInScanlineText(failure.row);
    return undecodableScanlineText(failure.row) + ": " +
           source.messageOr(exr_get_error_code_as_string(failure.result));
}

// The first chunk is decoded before the picture is asked for: a compressed
// chunk does not say how far it decodes, and a few bytes that claim billions
// of pixels must fail without taking their memory.
int readFirstChunk(RgbeImage& image, exr_const_context_t context, const ExrLayout& layout,
                   ExrSource& source, FailureReason* reason) {
    ChunkDecoder first(context, layout);
    if (!first.allocate()) return failWith(reason, tooLargeText(layout.width, layout.height));
    ChunkFailure failure;
    ChunkPlace place;
    if (!decodeOne(first, 0, source.size, place, failure)) {
        return failWith(reason, chunkFailureText(failure, source));
    }
    image.allocate(layout.width, layout.height);
    if (image.empty()) return failWith(reason, tooLargeText(layout.width, layout.height));
    first.encode(place, image);
    return 1;
}

}  // namespace

int readExrChunks(RgbeImage& image, exr_const_context_t context, const ExrLayout& layout,
                  ExrSource& source, FailureReason* reason) {
    int threads = std::max(1, exrPoolThreads());
    // One chunk buffer a thread; a chunk is at most a few hundred rows.
    uint64_t buffers = 0;
    if (!checkedProduct(uint64_t{layout.chunkWidth} * layout.chunkHeight, 3 * sizeof(float),
                        buffers) ||
        !checkedProduct(buffers, static_cast<uint64_t>(threads) + 1, buffers) ||
        !withinMemoryBudget(buffers)) {
        return failWith(reason, tooLargeText(layout.width, layout.height));
    }
    if (!readFirstChunk(image, context, layout, source, reason)) return 0;

    std::atomic<int32_t> next{1};
    ChunkFailure failure;
    if (layout.chunks > 1) {
        // The pool's threads and this one share the chunks.
        auto work = [&](bool reportsProgress) {
            decodeChunks(context, layout, source.size, next, failure, image, reportsProgress);
        };
        runOnExrPool(
            std::min(threads - 1, layout.chunks - 2), [&] { work(false); }, [&] { work(true); });
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

}  // namespace pellumir
