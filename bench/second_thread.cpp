// Keeps a second thread alive for the whole benchmark run.
//
// The viewer's process always has more than one thread (Qt starts its own),
// and once a process has a second thread glibc's stdio takes the stream's
// lock on every getc, putc, fread and fwrite. A single-threaded benchmark
// would skip those locks and flatter every stdio-based reader and writer,
// the peers' included, so the whole benchmark program runs with this idle
// thread beside it.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

class SecondThread {
  public:
    SecondThread()
        : thread_([this] {
              std::unique_lock<std::mutex> lock(mutex_);
              wake_.wait(lock, [this] { return stop_; });
          }) {}

    ~SecondThread() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    SecondThread(const SecondThread&) = delete;
    SecondThread& operator=(const SecondThread&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;  // last, so that it starts after the members it uses
};

const SecondThread secondThread;

}  // namespace
