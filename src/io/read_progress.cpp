#include "io/read_progress.h"

#include <utility>

namespace pellumir {

namespace {

thread_local ReadProgressWatcher* currentWatcher = nullptr;

}  // namespace

ReadProgressWatch::ReadProgressWatch(ReadProgressWatcher watcher)
    : watcher_(std::move(watcher)), outer_(currentWatcher) {
    currentWatcher = &watcher_;
}

ReadProgressWatch::~ReadProgressWatch() {
    currentWatcher = outer_;
}

bool reportReadProgress(uint64_t done, uint64_t total) {
    if (!currentWatcher || !*currentWatcher) return true;
    return (*currentWatcher)(done, total);
}

}  // namespace pellumir
