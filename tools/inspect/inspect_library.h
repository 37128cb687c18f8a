#pragma once
// lumo-inspect's library commands: "library scan" (one refresh of the library's
// watchers over folders, then counts and time, optionally writing a database.dat) and
// "library dump" (a database.dat as JSON).

#include <string>
#include <vector>

int inspect_library(const std::vector<std::string>& args);
