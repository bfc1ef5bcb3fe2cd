#pragma once

#include <functional>

namespace pellumir {

// The threads of OpenEXR's global pool, given one for each core the first
// time a file is read if nobody has given it any.
int exrPoolThreads();

// Runs `work` on `helpers` of the pool's threads and `own` on this one, and
// returns when all have finished.
void runOnExrPool(int helpers, const std::function<void()>& work, const std::function<void()>& own);

}  // namespace pellumir
