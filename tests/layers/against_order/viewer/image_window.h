// Follows the order.
#include "display/commands.h"
#include "viewer/canvas.h"
