#pragma once

#include "io/byte_input.h"

namespace pellumir {

// Skips the text header of a Radiance file up to and including its empty
// line (a LF alone), leaving the stream at the resolution line. Returns 0,
// or -1 when the file ends (or fails) first or the header runs past
// kLongestHeader bytes (io/input_file.h). The header's words are not read.
int skipHeader(ByteInput& in);

}  // namespace pellumir
