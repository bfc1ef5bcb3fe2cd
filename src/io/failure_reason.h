#pragma once

#include <cstdint>
#include <string>

namespace pellumir {

// Why a read or a save failed, in plain words, for the line or the box that
// reports it. The first cause is kept: later ones mostly follow from it (a
// short read, then an empty picture). Readers and writers take a pointer to
// one and may be given none, when nobody will be told.
class FailureReason {
  public:
    // Keeps `text` unless a cause is already known.
    void set(const std::string& text) {
        if (text_.empty()) text_ = text;
    }
    // The system's own words for an errno value ("No space left on device").
    void setSystemError(int error);

    const std::string& text() const { return text_; }
    bool empty() const { return text_.empty(); }
    void clear() { text_.clear(); }

  private:
    std::string text_;
};

// Causes that several readers or writers give, each written once.

// A read that the user stopped (through a progress window).
inline constexpr const char* kReadingStoppedText = "the reading was stopped";
// A save of a picture without pixels.
inline constexpr const char* kNothingToSaveText = "there is no picture to save";
// A file that ends before scanline `row` (counted from 0) is complete.
std::string endsInScanlineText(uint32_t row);
// A file whose reading failed in scanline `row`.
std::string unreadablePastScanlineText(uint32_t row);
// A file whose scanline `row` is there but cannot be decoded.
std::string undecodableScanlineText(uint32_t row);

// Records the cause when there is a record to take it, and returns 0 so
// that a reader can give up in one line: `return failWith(reason, "...");`.
inline int failWith(FailureReason* reason, const std::string& text) {
    if (reason) reason->set(text);
    return 0;
}

// The same for a failed system call: its errno in the system's own words.
inline int failWithSystemError(FailureReason* reason, int error) {
    if (reason) reason->setSystemError(error);
    return 0;
}

}  // namespace pellumir
