#pragma once

#include <QApplication>
#include <memory>
#include <string>

namespace pellumir {

// The program's QApplication. Where no display can be opened (no X server
// or Wayland compositor, DISPLAY unset or wrong), Qt itself would print a
// paragraph of advice and abort; instead the program says so in one line
// on the standard error and exits with status 1. Qt's platform warnings
// seen on the way are kept back until the application stands, then shown
// as Qt would have shown them.
std::unique_ptr<QApplication> startApplication(int& argc, char** argv);

// The one line for a missing display, from the environment Qt looked at:
// QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY (null when unset).
std::string noDisplayMessage(const char* platform, const char* waylandDisplay, const char* display);

}  // namespace pellumir
