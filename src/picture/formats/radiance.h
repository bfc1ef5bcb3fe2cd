#pragma once

#include <cstdio>
#include <string>

#include "io/byte_sink.h"
#include "io/failure_reason.h"
#include "picture/orientation.h"
#include "picture/rgbe_image.h"
#include "picture/row_sink.h"

namespace pellumir {

// Reads a Radiance picture into `image`, turned and mirrored into the
// standard orientation (row 0 at the top, columns left to right) whatever
// orientation its resolution line gives. Returns 1 for a file in the
// standard orientation, 2 for any other, 0 on failure: the picture is then
// empty, or untouched when the file had no valid header and resolution line.
// A file in the standard orientation tells `sink` of its rows as they are
// read, then that the reading ended; files in other orientations never call
// it. The first cause of a failure goes to `reason`.
int readRadiance(RgbeImage& image, const std::string& path, RowSink* sink = nullptr,
                 FailureReason* reason = nullptr);
int readRadiance(RgbeImage& image, std::FILE* file, RowSink* sink = nullptr,
                 FailureReason* reason = nullptr);

// As readRadiance followed by rotate90: the picture turned clockwise once
// more than the standard orientation, with the same results. A file in the
// standard orientation is turned in small batches of scanlines as they are
// read, into the one block of the picture, so the turn costs no second
// block; files in other orientations, and pictures of few rows, are read and
// then turned.
int readRadianceTurned(RgbeImage& image, const std::string& path, FailureReason* reason = nullptr);
int readRadianceTurned(RgbeImage& image, std::FILE* file, FailureReason* reason = nullptr);

// Writes the picture as a run-length-encoded Radiance file in the standard
// orientation. Returns 1, or 0 on failure with its cause in `reason`: a
// picture without pixels or too large for the format, or `out` taking not
// all of the bytes.
//
// With an `orientation`, the picture as it shows it: the bytes of the
// picture turned, mirrored and flipped so and then written, but with no
// second block of the picture's size, the rows gathered from the unmoved
// picture as they are written.
int writeRadiance(const RgbeImage& image, ByteSink& out, FailureReason* reason = nullptr,
                  Orientation orientation = {});
// The same into a file: an existing file at `path` is replaced only when the
// whole picture was written (writeSafely).
int writeRadiance(const RgbeImage& image, const std::string& path, FailureReason* reason = nullptr,
                  Orientation orientation = {});

}  // namespace pellumir
