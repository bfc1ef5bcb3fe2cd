#pragma once

#include <cstdint>
#include <functional>

namespace pellumir {

// How far a read has come, for a program that shows it and lets the user
// stop it. Readers report at each block or row they take in; whoever
// starts a read may watch it for its duration. The watch belongs to the
// thread that set it, so reads on other threads (tests, benchmarks, the
// converter) are never watched by accident and a watcher that drives a
// user interface is called on its own thread only.
using ReadProgressWatcher = std::function<bool(uint64_t done, uint64_t total)>;

// Watches the reads of this thread while it exists; an earlier watcher is
// put back when it ends.
class ReadProgressWatch {
  public:
    explicit ReadProgressWatch(ReadProgressWatcher watcher);
    ~ReadProgressWatch();
    ReadProgressWatch(const ReadProgressWatch&) = delete;
    ReadProgressWatch& operator=(const ReadProgressWatch&) = delete;

  private:
    ReadProgressWatcher watcher_;
    ReadProgressWatcher* outer_;
};

// Tells the watcher, if any, that done of total units (bytes, rows) have
// been read; total is 0 when it is not known. False when the watcher wants
// the read stopped: the reader then fails as it does on a read error.
bool reportReadProgress(uint64_t done, uint64_t total);

}  // namespace pellumir
