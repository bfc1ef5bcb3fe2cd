#pragma once

#include <cstdint>

namespace pellumir {

// The largest number of bytes that one picture-sized block may take. Blocks
// beyond it fail their allocation instead of being granted as untouched
// virtual memory and then killing the process when the pixels arrive.
uint64_t memoryBudget();

// Overrides the budget (0 restores the machine's own). For tests.
void setMemoryBudgetForTesting(uint64_t bytes);

// Whether a block of `bytes` may be asked for.
inline bool withinMemoryBudget(uint64_t bytes) {
    return bytes <= memoryBudget();
}

// product = a * b; false when the product does not fit in 64 bits.
bool checkedProduct(uint64_t a, uint64_t b, uint64_t& product);

}  // namespace pellumir
