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

std::string endsInScanlineText(uint32_t row) {
    return "the file ends in scanline " + std::to_string(row);
}

std::string unreadablePastScanlineText(uint32_t row) {
    return "the file cannot be read past scanline " + std::to_string(row);
}

std::string undecodableScanlineText(uint32_t row) {
    return "scanline " + std::to_string(row) + " cannot be decoded";
}

}  // namespace pellumir
