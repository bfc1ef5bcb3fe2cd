#include "display/viewer_state.h"

namespace pellumir {

RgbeImage currentPicture;
float currentExposure = 1.0f;

}  // namespace pellumir
