#include "io/failure_reason.h"

#include <cerrno>
#include <cstring>

namespace pellumir {

void FailureReason::setSystemError(int error) {
    if (!text_.empty()) return;
    // A failure without an errno (a write that took nothing) still needs words.
    if (error == 0) error = EIO;
    // The GNU strerror_r returns its text, which need not be the buffer.
    char buffer[256];
    text_ = strerror_r(error, buffer, sizeof buffer);
}

}  // namespace pellumir
