#pragma once
#include <string>
#include <utility>
#include <vector>

// (library, version) for every codec library linked into the program.
std::vector<std::pair<std::string, std::string>> codec_library_versions();
