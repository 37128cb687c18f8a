#pragma once
// lumo-inspect view DATABASE_OR_FOLDER [--path KEY/KEY/...]: one level of the library
// views, its title and entries, over a database.dat or a folder scanned as the library
// scans it.

#include <string>
#include <vector>

int inspect_view(const std::vector<std::string>& args);
