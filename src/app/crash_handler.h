#pragma once
// The crash handler: an unhandled exception on any thread ends the process with a
// minidump in the profile folder ("failure-N.dmp", N the first number whose file does
// not exist yet) and exit code 0. A read-only profile gets no dump; an attached debugger
// gets the exception instead. Windows only.

#include <string>

namespace lumo {

// profile_folder_path is a native path (no "file://"). Installs the process-wide
// unhandled-exception filter; later calls replace the folder and the read-only flag.
void install_crash_handler(std::string profile_folder_path, bool read_only_profile);

// The path the next dump would get: profile folder + separator (only if missing) +
// "failure-N.dmp".
std::string next_crash_dump_path(const std::string& profile_folder_path);

}  // namespace lumo
