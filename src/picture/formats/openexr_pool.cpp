#include "picture/formats/openexr_pool.h"

#include <IlmThreadPool.h>

#include <mutex>
#include <thread>

namespace pellumir {

namespace {

namespace ilm = ILMTHREAD_NAMESPACE;

class PoolTask : public ilm::Task {
  public:
    PoolTask(ilm::TaskGroup* group, const std::function<void()>& work)
        : ilm::Task(group), work_(work) {}
    void execute() override { work_(); }

  private:
    const std::function<void()>& work_;
};

}  // namespace

// OpenEXR's thread pool has no threads until someone gives it some; the
// viewer and the converter read one picture at a time, so it gets a thread
// for each core the first time a file is read.
int exrPoolThreads() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (ilm::ThreadPool::globalThreadPool().numThreads() == 0) {
            unsigned cores = std::thread::hardware_concurrency();
            if (cores > 1)
                ilm::ThreadPool::globalThreadPool().setNumThreads(static_cast<int>(cores));
        }
    });
    return ilm::ThreadPool::globalThreadPool().numThreads();
}

void runOnExrPool(int helpers, const std::function<void()>& work,
                  const std::function<void()>& own) {
    // The group's destructor waits until every task has finished.
    ilm::TaskGroup group;
    for (int t = 0; t < helpers; ++t)
        ilm::ThreadPool::addGlobalTask(new PoolTask(&group, work));
    own();
}

}  // namespace pellumir
