#pragma once

#include <signal.h>

namespace pellumir {

// How the two programs meet signals while they save. SIGPIPE and SIGXFSZ
// are ignored, so that a reader that goes away or a file size limit turns
// into a failed write (EPIPE, EFBIG) with the usual message instead of a
// silent death. SIGINT, SIGTERM and SIGHUP first remove the named
// temporary file of a save under way (where the file system gives no
// unnamed one), then end the process as they would have. A signal that was
// ignored when the program started stays ignored. Called once, early in main.
void installSaveSignalHandlers();

// The named temporary file that a signal would have to remove: at most one
// at a time. Both are called with the three signals blocked (SignalBlock),
// so that the handler never sees half a name.
void notePendingTemporary(const char* path);
void clearPendingTemporary();

// Holds SIGINT, SIGTERM and SIGHUP back for its lifetime; they arrive when
// it ends.
class SignalBlock {
  public:
    SignalBlock();
    ~SignalBlock();
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

  private:
    sigset_t saved_;
};

}  // namespace pellumir
