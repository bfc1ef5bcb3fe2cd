// Runs up the layer order: display may not use viewer.
#include "viewer/image_window.h"
