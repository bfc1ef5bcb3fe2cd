#include "platform/qt/first_paint_report.h"

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace pellumir {

bool firstPaintReportWanted() {
    const char* value = std::getenv("PELLUMIR_REPORT_FIRST_PAINT");
    return value && std::strcmp(value, "1") == 0;
}

double millisecondsSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name in parentheses may hold spaces; the fields after it
    // are plain numbers, the start time being the 20th of them.
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    for (int i = 0; i < 19 && fields >> field; ++i) {
    }
    long long startTicks = 0;
    if (!(fields >> startTicks)) return -1;
    long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
    double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - double(startTicks) * 1000.0 / double(ticksPerSecond);
}

}  // namespace pellumir
