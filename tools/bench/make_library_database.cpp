// Writes a database.dat holding one library folder of generated tracks (the layout of
// generated_library.h, as bench_library_load uses), for measuring a
// start with a big library. The files themselves do not exist: the library that loads it
// must not scan (monitoring off), or the first scan removes them again.
// usage: make_library_database OUTPUT [TRACKS] [FOLDER_KEY]   (key "." by default: the
// folder of a portable copy with its ".locallibrary.opt" marker)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "core/abort.h"
#include "core/exceptions.h"
#include "fs/file_system.h"
#include "generated_library.h"
#include "library/library_database.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s OUTPUT [TRACKS] [FOLDER_KEY]\n", argv[0]);
    return 2;
  }
  const int tracks = argc > 2 ? std::atoi(argv[2]) : 100000;
  const std::string key = argc > 3 ? argv[3] : ".";
  if (tracks < 0) {
    std::fprintf(stderr, "TRACKS must not be negative\n");
    return 2;
  }
  try {
    const std::unique_ptr<lumo::directory_node> root =
        lumo::bench::generated_library_tree(tracks, "file:///generated");
    const std::string url = "file://" + std::filesystem::absolute(argv[1]).string();
    lumo::file_ptr out = lumo::open_file(url, lumo::open_mode::write_new, lumo::abort_none());
    lumo::write_database(*out, {{key, [&] { return lumo::encode_folder_state(*root); }}},
                         lumo::abort_none());
    std::printf("%d tracks under \"%s\" in %s\n", tracks, key.c_str(), argv[1]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
    return 1;
  }
}
