#include "picture/memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace pellumir {

namespace {

uint64_t budgetOverride = 0;

constexpr uint64_t kNoLimit = UINT64_MAX;

uint64_t roomUnder(uint64_t limit, uint64_t used) {
    return used >= limit ? 0 : limit - used;
}

// A cgroup file's number; "max" (no limit) and anything unreadable give
// kNoLimit.
uint64_t limitIn(const std::string& path) {
    std::ifstream file(path);
    std::string word;
    if (!(file >> word) || word == "max") return kNoLimit;
    char* end = nullptr;
    unsigned long long value = std::strtoull(word.c_str(), &end, 10);
    return end && *end == '\0' ? value : kNoLimit;
}

// The value of `key` in a memory.stat file, 0 when it is not there.
uint64_t statValue(const std::string& path, const char* key) {
    std::ifstream file(path);
    std::string name;
    unsigned long long value = 0;
    while (file >> name >> value) {
        if (name == key) return value;
    }
    return 0;
}

// Memory that cannot be given back (anonymous pages) counts as used; the
// page cache under a limit is reclaimed before anything is killed.
uint64_t roomOfLevel(const std::string& folder, bool unified) {
    if (unified) {
        uint64_t limit =
            std::min(limitIn(folder + "/memory.max"), limitIn(folder + "/memory.high"));
        if (limit == kNoLimit) return kNoLimit;
        return roomUnder(limit, statValue(folder + "/memory.stat", "anon"));
    }
    uint64_t limit = limitIn(folder + "/memory.limit_in_bytes");
    if (limit == kNoLimit) return kNoLimit;
    uint64_t used = statValue(folder + "/memory.stat", "total_rss");
    if (used == 0) used = statValue(folder + "/memory.stat", "rss");
    return roomUnder(limit, used);
}

// The smallest room of the cgroup at `path` and each one above it.
uint64_t roomOfBranch(const std::string& root, std::string path, bool unified) {
    uint64_t room = kNoLimit;
    while (!path.empty()) {
        room = std::min(room, roomOfLevel(root + path, unified));
        if (path == "/") break;
        size_t slash = path.find_last_of('/');
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    return room;
}

// Pages of the process: in all, resident, and data (RLIMIT_DATA's measure).
struct ProcessPages {
    uint64_t size = 0;
    uint64_t resident = 0;
    uint64_t data = 0;
};

ProcessPages processPages() {
    ProcessPages pages;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return pages;
    unsigned long long size = 0, resident = 0, shared = 0, text = 0, lib = 0, data = 0;
    if (std::fscanf(statm, "%llu %llu %llu %llu %llu %llu", &size, &resident, &shared, &text, &lib,
                    &data) == 6) {
        pages = {size, resident, data};
    }
    std::fclose(statm);
    return pages;
}

std::string readWhole(const char* path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

uint64_t machineBudget() {
    long pageCount = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGE_SIZE);
    uint64_t page = pageSize > 0 ? static_cast<uint64_t>(pageSize) : 4096;
    ProcessPages own = processPages();

    // Physical memory: a larger block could only be had by overcommitting
    // and would be killed, not refused, once written.
    uint64_t budget = kNoLimit;
    if (pageCount > 0)
        budget = roomUnder(static_cast<uint64_t>(pageCount) * page, own.resident * page);
    const std::pair<int, uint64_t> limits[] = {{RLIMIT_AS, own.size * page},
                                               {RLIMIT_DATA, own.data * page}};
    for (auto [resource, used] : limits) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            budget = std::min(budget, roomUnder(limit.rlim_cur, used));
        }
    }
    // Pure cgroup v2 systems mount it at /sys/fs/cgroup, hybrid ones at
    // /sys/fs/cgroup/unified beside the v1 controllers.
    std::string membership = readWhole("/proc/self/cgroup");
    budget = std::min(budget, cgroupRoom(membership, "/sys/fs/cgroup", "/sys/fs/cgroup/memory"));
    budget = std::min(budget, cgroupRoom(membership, "/sys/fs/cgroup/unified", ""));
    return budget;
}

}  // namespace

uint64_t cgroupRoom(const std::string& membership, const std::string& unifiedRoot,
                    const std::string& memoryRoot) {
    uint64_t room = kNoLimit;
    std::istringstream lines(membership);
    std::string line;
    while (std::getline(lines, line)) {
        // hierarchy-ID:controller-list:path
        size_t first = line.find(':');
        size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (path.empty() || path[0] != '/') continue;
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            if (!unifiedRoot.empty()) room = std::min(room, roomOfBranch(unifiedRoot, path, true));
            continue;
        }
        std::string padded = "," + controllers + ",";
        if (!memoryRoot.empty() && padded.find(",memory,") != std::string::npos) {
            room = std::min(room, roomOfBranch(memoryRoot, path, false));
        }
    }
    return room;
}

uint64_t memoryBudget() {
    if (budgetOverride != 0) return budgetOverride;
    return machineBudget();
}

void setMemoryBudgetForTesting(uint64_t bytes) {
    budgetOverride = bytes;
}

bool shownPictureBytes(uint32_t width, uint32_t height, uint64_t& bytes) {
    uint64_t pixels = uint64_t{width} * height;  // below 2^64
    uint64_t bitmapRow = (uint64_t{width} * 3 + 3) & ~uint64_t{3};
    uint64_t picture = 0;
    uint64_t bitmap = 0;
    uint64_t rowArrays = uint64_t{height} * 2 * sizeof(void*);
    return checkedProduct(pixels, 4, picture) && checkedProduct(bitmapRow, height, bitmap) &&
           !__builtin_add_overflow(picture, bitmap, &bytes) &&
           !__builtin_add_overflow(bytes, rowArrays, &bytes);
}

bool pictureFitsInMemory(uint32_t width, uint32_t height) {
    uint64_t bytes = 0;
    return uint64_t{width} * height <= kLargestPicturePixels &&
           shownPictureBytes(width, height, bytes) && withinMemoryBudget(bytes);
}

bool checkedProduct(uint64_t a, uint64_t b, uint64_t& product) {
    return !__builtin_mul_overflow(a, b, &product);
}

}  // namespace pellumir
