#pragma once

#include <string>

namespace pellumir {

// Opens the address (a web or file:// address) with the desktop's default
// handler. A failure is not reported.
void openAddress(const std::string& address);

}  // namespace pellumir
