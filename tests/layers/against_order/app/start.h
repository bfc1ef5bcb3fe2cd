// A plain folder may not use a Qt folder, even one before it.
#include "platform/qt/qt_desktop.h"
