#include "io/save_signals.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace pellumir {

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written only with the ending signals blocked; read by their handler.
char pendingPath[PATH_MAX];
volatile sig_atomic_t pendingSet = 0;

// Async-signal-safe: unlink, then the signal again with its default action
// (SA_RESETHAND restored it before this ran); it is delivered as soon as
// the handler returns.
void removePendingAndEnd(int signal) {
    int savedErrno = errno;
    if (pendingSet) unlink(pendingPath);
    raise(signal);
    errno = savedErrno;
}

sigset_t endingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kEndingSignals)
        sigaddset(&set, signal);
    return set;
}

}  // namespace

void installSaveSignalHandlers() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    for (int signal : kEndingSignals) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removePendingAndEnd;
        action.sa_mask = endingSignals();
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigaction(signal, &action, nullptr);
    }
}

void notePendingTemporary(const char* path) {
    size_t length = std::strlen(path);
    // A name too long to hold is still removed on every other way out.
    if (length >= sizeof pendingPath) return;
    std::memcpy(pendingPath, path, length + 1);
    pendingSet = 1;
}

void clearPendingTemporary() {
    pendingSet = 0;
}

SignalBlock::SignalBlock() {
    sigset_t set = endingSignals();
    pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

SignalBlock::~SignalBlock() {
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace pellumir
