#include "viewer/context_menu.h"

#include "display/input_codes.h"

namespace pellumir {

std::vector<MenuItem> contextMenuItems() {
    const MenuItem separator{0, ""};
    return {
        {kCommandZoomIn, "放大"},
        {kCommandZoomOut, "缩小"},
        separator,
        {kCommandExposureUp, "向上曝光\t+"},
        {kCommandExposureDown, "向下曝光\t-"},
        {kCommandResetExposure, "重置曝光"},
        separator,
        {kCommandSaveBitmap, "另存&为Bitmap..."},
        separator,
        {kCommandAbout, "关于..."},
    };
}

}  // namespace pellumir
