#pragma once

#include <functional>
#include <string>

namespace pellumir {

// Opens the address (a web or file:// address) with the desktop's default
// handler, xdg-open. When no handler takes it (xdg-open is missing, or
// ends in failure, as it does where nothing is registered for the file's
// type), whenUnhandled runs on the user-interface thread, at once or
// within a few seconds, so that the caller can show the thing itself.
void openAddress(const std::string& address, std::function<void()> whenUnhandled);

}  // namespace pellumir
