#pragma once

#include <string>
#include <vector>

// lumo-inspect format SCRIPT [--meta NAME=VALUE]... [--info NAME=VALUE]... [--length SECONDS]
//   [--path URL] [--subsong N] [--library]
// Writes the formatted text and a newline to stdout, "found" or "not found" to stderr.
// Returns the process exit code.
int run_format_command(const std::vector<std::string>& args);
