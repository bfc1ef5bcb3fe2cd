#include "picture/two_cores.h"

#include <system_error>
#include <thread>

namespace pellumir {

void onTwoCores(uint32_t count, uint64_t bytes, uint32_t grain,
                const std::function<void(uint32_t first, uint32_t last)>& work) {
    if (count == 0) return;
    uint32_t split = count;
    if (bytes >= kTwoCoreBytes && count > 1 && std::thread::hardware_concurrency() > 1) {
        split = count / 2;
        if (grain > 1) split = split / grain * grain;
        if (split == 0) split = count;
    }
    std::thread helper;
    if (split < count) {
        try {
            helper = std::thread(work, split, count);
        } catch (const std::system_error&) {
            split = count;
        }
    }
    work(0, split);
    if (helper.joinable()) helper.join();
}

}  // namespace pellumir
