#include "make-resources/resource_files.h"

#include <filesystem>
#include <system_error>

#include "display/display_bitmap.h"
#include "make-resources/about_picture.h"
#include "make-resources/icon.h"
#include "make-resources/png_file.h"

namespace pellumir {

namespace {

constexpr const char* kAboutName = "about-134.bmp";

std::string iconName(uint32_t size) {
    return "icons/pellumir-" + std::to_string(size) + ".png";
}

}  // namespace

std::vector<std::string> resourceFileNames() {
    std::vector<std::string> names = {kAboutName};
    for (uint32_t size : kIconSizes)
        names.push_back(iconName(size));
    return names;
}

std::string makeResources(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder) / "icons", error);
    if (error) return "cannot make " + folder + "/icons: " + error.message();

    DisplayBitmap about;
    if (!renderAboutPicture(about)) return "not enough memory for the About picture";
    std::string aboutPath = folder + "/" + kAboutName;
    if (!about.writeBmp(aboutPath)) return "cannot write " + aboutPath;

    for (uint32_t size : kIconSizes) {
        std::string path = folder + "/" + iconName(size);
        if (!writePng(drawIcon(size), path)) return "cannot write " + path;
    }
    return {};
}

}  // namespace pellumir
