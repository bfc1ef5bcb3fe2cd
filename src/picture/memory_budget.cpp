#include "picture/memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace pellumir {

namespace {

uint64_t budgetOverride = 0;

uint64_t machineBudget() {
    // Physical memory: a larger block could only be had by overcommitting
    // and would be killed, not refused, once written.
    uint64_t budget = UINT64_MAX;
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0) {
        budget = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    }
    // An address-space or data limit set on the process is a harder bound.
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            budget = std::min<uint64_t>(budget, limit.rlim_cur);
        }
    }
    return budget;
}

}  // namespace

uint64_t memoryBudget() {
    if (budgetOverride != 0) return budgetOverride;
    static const uint64_t budget = machineBudget();
    return budget;
}

void setMemoryBudgetForTesting(uint64_t bytes) {
    budgetOverride = bytes;
}

bool checkedProduct(uint64_t a, uint64_t b, uint64_t& product) {
    return !__builtin_mul_overflow(a, b, &product);
}

}  // namespace pellumir
