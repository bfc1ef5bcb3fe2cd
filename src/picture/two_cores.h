#pragma once

#include <cstdint>
#include <functional>

namespace pellumir {

// Work of this many bytes or more is split over two cores: one core cannot
// keep the memory busy, two nearly halve the time of a large pass. Below
// it the start of a thread costs more than it saves.
inline constexpr uint64_t kTwoCoreBytes = uint64_t{4} << 20;

// Runs work(first, last) over [0, count): for `bytes` of at least
// kTwoCoreBytes on a machine with a second core, as [0, split) on the
// calling thread and [split, count) on a helper, with split near count / 2
// rounded down to a multiple of `grain`; otherwise as one call. A helper
// that cannot be started leaves its part to the caller. Returns when both
// parts are done.
void onTwoCores(uint32_t count, uint64_t bytes, uint32_t grain,
                const std::function<void(uint32_t first, uint32_t last)>& work);

}  // namespace pellumir
