#include "picture/formats/openexr_layout.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "picture/formats/float_raster.h"
#include "picture/memory_budget.h"
#include "picture/rgbe_image.h"

namespace pellumir {

namespace {

// Each chunk of a scanline file costs at least its offset (8 bytes) and its
// leader (the row and the byte count, 8 bytes); a tile's leader is 20.
constexpr uint64_t kFewestScanlineChunkBytes = 16;
constexpr uint64_t kFewestTileChunkBytes = 28;

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
                ExrChannelChoice& choice) {
    const char* names[3] = {"R", "G", "B"};
    for (int k = 0; k < 3; ++k) {
        choice.index[k] = findChannel(channels, layer + names[k]);
        if (choice.index[k] < 0) return false;
    }
    return true;
}

// The first layer, by name, with all three ("diffuse.R", "diffuse.G",
// "diffuse.B").
bool findFirstLayer(const exr_attr_chlist_t& channels, ExrChannelChoice& choice) {
    std::string best;
    bool found = false;
    for (int c = 0; c < channels.num_channels; ++c) {
        std::string_view name = nameOf(channels.entries[c]);
        if (name.size() < 3 || name.substr(name.size() - 2) != ".R") continue;
        std::string layer(name.substr(0, name.size() - 1));  // "diffuse."
        ExrChannelChoice candidate;
        if ((!found || layer < best) && findColour(channels, layer, candidate)) {
            best = layer;
            choice = candidate;
            found = true;
        }
    }
    return found;
}

// R, G and B; else Y alone as grey; else the first layer with all three.
const char* chooseChannels(const exr_attr_chlist_t& channels, ExrChannelChoice& choice) {
    if (findColour(channels, "", choice)) return nullptr;
    int luminance = findChannel(channels, "Y");
    if (luminance >= 0) {
        if (findChannel(channels, "RY") >= 0 || findChannel(channels, "BY") >= 0) {
            return "OpenEXR files of luminance and chroma are not read";
        }
        choice = ExrChannelChoice{{luminance, luminance, luminance}, true};
        return nullptr;
    }
    if (findFirstLayer(channels, choice)) return nullptr;
    return "the OpenEXR file has no R, G and B channels and no Y channel";
}

// The part's type and its channels; `bytesPerPixel` gets what the chosen
// channels take of each pixel when stored uncompressed.
int checkChannels(exr_const_context_t context, FailureReason* reason, ExrLayout& layout,
                  uint64_t& bytesPerPixel) {
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
    bytesPerPixel = 0;
    for (int k = 0; k < layout.choice.taken(); ++k) {
        const exr_attr_chlist_entry_t& channel = channels->entries[layout.choice.index[k]];
        if (channel.x_sampling != 1 || channel.y_sampling != 1) {
            return failWith(reason, "OpenEXR files of subsampled channels are not read");
        }
        bytesPerPixel += channel.pixel_type == EXR_PIXEL_HALF ? 2 : 4;
    }
    layout.halves = bytesPerPixel == (layout.choice.grey ? 2u : 6u);
    return 1;
}

int checkDataWindow(exr_const_context_t context, FailureReason* reason, ExrLayout& layout) {
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
    return 1;
}

// Every chunk has its offset and its leader in the file: a header that
// claims more chunks than the file has room for fails here, before the core
// library reads the offset table. Uncompressed, every pixel is in the file.
int checkRoomInFile(exr_const_context_t context, uint64_t fileSize, uint64_t bytesPerPixel,
                    FailureReason* reason, ExrLayout& layout) {
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
    return 1;
}

int checkTiles(exr_const_context_t context, FailureReason* reason, ExrLayout& layout) {
    int32_t tileWidth = 0;
    int32_t tileHeight = 0;
    if (exr_get_tile_sizes(context, 0, 0, 0, &tileWidth, &tileHeight) != EXR_ERR_SUCCESS ||
        tileWidth <= 0 || tileHeight <= 0) {
        return failWith(reason, "the OpenEXR file's tiles have no size");
    }
    auto across32 = static_cast<uint32_t>(tileWidth);
    auto down32 = static_cast<uint32_t>(tileHeight);
    layout.chunkWidth = std::min(across32, layout.width);
    layout.chunkHeight = std::min(down32, layout.height);
    uint64_t across = (uint64_t{layout.width} + across32 - 1) / across32;
    uint64_t down = (uint64_t{layout.height} + down32 - 1) / down32;
    // Mipmapped files hold smaller levels after the first; they are not read.
    if (across * down > static_cast<uint64_t>(layout.chunks)) {
        return failWith(reason, "the OpenEXR file's tiles do not cover its data window");
    }
    layout.tilesAcross = static_cast<uint32_t>(across);
    layout.chunks = static_cast<int32_t>(across * down);
    return 1;
}

int checkScanlineChunks(exr_const_context_t context, FailureReason* reason, ExrLayout& layout) {
    int32_t lines = 0;
    if (exr_get_scanlines_per_chunk(context, 0, &lines) != EXR_ERR_SUCCESS || lines <= 0) {
        return failWith(reason, "the OpenEXR file's chunks have no height");
    }
    layout.chunkWidth = layout.width;
    layout.chunkHeight = std::min<uint32_t>(static_cast<uint32_t>(lines), layout.height);
    return 1;
}

}  // namespace

int checkExrLayout(exr_const_context_t context, uint64_t fileSize, FailureReason* reason,
                   ExrLayout& layout) {
    uint64_t bytesPerPixel = 0;
    if (!checkChannels(context, reason, layout, bytesPerPixel) ||
        !checkDataWindow(context, reason, layout) ||
        !checkRoomInFile(context, fileSize, bytesPerPixel, reason, layout)) {
        return 0;
    }
    return layout.tiled ? checkTiles(context, reason, layout)
                        : checkScanlineChunks(context, reason, layout);
}

}  // namespace pellumir
