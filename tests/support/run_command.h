#pragma once

#include <cstdlib>
#include <string>

namespace pellumir::test {

// Runs a shell command with its output thrown away, for the tests that
// have an independent tool (Python's libraries, oiiotool, ImageMagick)
// write or check a file. True when it exited with 0.
inline bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace pellumir::test
