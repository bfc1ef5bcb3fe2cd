#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace pellumir {

// The most bytes any reader takes for the header before the pixels: no
// real header is longer than a few kilobytes, and this bound makes an
// endless one (a large file of spaces, digits or zeros) fail instead of
// being read for minutes. Cause: "the header is longer than 4 MiB".
inline constexpr uint64_t kLongestHeader = uint64_t{4} << 20;
inline constexpr const char* kLongestHeaderText = "the header is longer than 4 MiB";

// Whether `path` can be opened for reading at all, found without ever
// blocking (a FIFO without a writer, a device that waits).
bool canOpenForReading(const std::string& path);

// Opens a picture file for reading, the one door every reader takes: the
// open cannot block (O_NONBLOCK), anything but a regular file is refused at
// once (errno EISDIR for a folder, kNotARegularFile for a FIFO, device or
// socket: failWithFileError words both), then reads block as usual.
// Returns the descriptor, or -1 with errno set; `size`, when given, gets
// the file's size from the same check.
int openInputFile(const std::string& path, uint64_t* size = nullptr);
// The same as a stdio stream ("rb"), or null with errno set.
std::FILE* openInputStream(const std::string& path);

}  // namespace pellumir
