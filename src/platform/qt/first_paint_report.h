#pragma once

namespace pellumir {

// For measuring start-up: with PELLUMIR_REPORT_FIRST_PAINT=1 in the
// environment, the picture window's first paint writes
// "pellumir: first paint after N ms" (counted from the start of the
// process) to the standard error and then closes the window, so that the
// whole run can be timed from outside as well.
bool firstPaintReportWanted();

// Milliseconds since the process started, as the kernel recorded it (in
// its clock ticks, usually 10 ms), or -1 when that cannot be read.
double millisecondsSinceProcessStart();

}  // namespace pellumir
