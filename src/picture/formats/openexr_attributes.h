#pragma once

#include "io/failure_reason.h"
#include "picture/formats/openexr_source.h"

namespace pellumir {

// Whether every attribute of the file's first header claims no more bytes
// than the file has left after its size. An OpenEXR library sizes an attribute's
// value from its claim before reading it, so a few bytes claiming a string
// of gigabytes must fail here, before any library sees them. Returns 1, or
// 0 with the cause in `reason`. A header this walk cannot follow to its end
// (or not within 4 MiB) passes: the library's own reading checks it.
int exrAttributesFitTheFile(const ExrSource& source, FailureReason* reason);

}  // namespace pellumir
