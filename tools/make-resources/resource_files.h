#pragma once

#include <string>
#include <vector>

namespace pellumir {

// The files the program embeds, by their names under resources/: the About
// picture first, then the icons from the smallest up.
std::vector<std::string> resourceFileNames();

// Makes every file of resourceFileNames() under folder (creating folder and
// its icons/ folder as needed). Returns an empty string on success, else
// what failed.
std::string makeResources(const std::string& folder);

}  // namespace pellumir
