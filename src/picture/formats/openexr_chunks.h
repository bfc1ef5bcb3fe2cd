#pragma once

#include <openexr.h>

#include "io/failure_reason.h"
#include "picture/formats/openexr_layout.h"
#include "picture/formats/openexr_source.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Decodes the chunks of the checked first part through the core library, on
// OpenEXR's thread pool and this thread, into `image`, which it allocates
// only after the first chunk has decoded. Returns 1, or 0 with the picture
// empty and the cause in `reason`: the first chunk that failed, the end of
// the file, memory, or the user stopping the read.
int readExrChunks(RgbeImage& image, exr_const_context_t context, const ExrLayout& layout,
                  ExrSource& source, FailureReason* reason);

}  // namespace pellumir
