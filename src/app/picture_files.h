#pragma once

#include <string>

#include "io/failure_reason.h"

#include "picture/formats/raw_float.h"  // RawFloatLayout
#include "picture/rgbe_image.h"
#include "picture/row_sink.h"

namespace pellumir {

// What the user is told when a picture cannot be shown. Arrays, not pointers
// to literals: callers tell the refusals apart by address, and only an array
// has one address in the whole program (equal literals in two files need not
// share one, and under the sanitizers they do not).
inline constexpr char kCannotOpenMessage[] = "无法打开文件";
inline constexpr char kUnknownTypeMessage[] = "未知文件类型";
inline constexpr char kReadErrorMessage[] = "读取文件时出错";
// The cause given with kUnknownTypeMessage.
inline constexpr const char* kKnownExtensionsText =
    "pictures are read from names ending in .hdr, .pic, .pfm, .float, .tif, .tiff or .exr";
// The cause given when the picture was read but its display cannot be had.
inline constexpr const char* kDisplayMemoryText =
    "there is not enough memory to display the picture";

// The picture formats, chosen by the file name's extension.
enum class PictureKind { radiance, pfm, rawFloat, tiff, openExr, unknown };

// Whether the name's extension is `extension`: everything after the last
// "." of the whole name, folder part included, compared without regard to
// letter case. The viewer and the converter both choose formats by it.
bool hasExtension(const std::string& path, const char* extension);

// By hasExtension; "raw" is not one.
PictureKind kindOfFile(const std::string& path);

// The checks before any reading, in the order the user meets them: the
// file opens (without blocking: a FIFO passes here and its reader refuses
// it), then its name has a known extension. Returns the file's kind, or
// PictureKind::unknown with the message to show in `message`
// (kCannotOpenMessage or kUnknownTypeMessage) and its cause in `reason`.
PictureKind checkPictureFile(const std::string& path, const char*& message, FailureReason& reason);

// Reads the file with the reader of its kind; the layout is used for raw
// float files only, the sink by readers that tell of their rows as they go
// (Radiance). Returns the reader's result (0 for failure); the picture is
// empty after a failure, and the reader's first cause is in `reason`.
int readPicture(RgbeImage& image, PictureKind kind, const std::string& path,
                const RawFloatLayout& layout = {}, RowSink* sink = nullptr,
                FailureReason* reason = nullptr);

}  // namespace pellumir
