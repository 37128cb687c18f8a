// lumo-inspect: looks inside what the program knows about files, from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "format_command.h"
#include "inspect_input.h"
#include "inspect_library.h"
#include "inspect_output.h"
#include "inspect_view.h"
#include "versions.h"

#ifdef _WIN32
#include "core/unicode.h"
#endif

namespace {

int usage() {
  std::fputs(
      "usage: lumo-inspect COMMAND [ARGS]\n"
      "  --version   print the program version and the codec libraries' versions\n"
      "  info FILE   track information as JSON\n"
      "  decode FILE [--subsong N] [--seek SECONDS] (-o OUT.wav | --md5)\n"
      "              decode to a 32-bit float WAV, or print the MD5 of the float samples\n"
      "  format SCRIPT [--meta NAME=VALUE]... [--info NAME=VALUE]... [--length SECONDS]\n"
      "              [--path URL] [--subsong N] [--file FILE] [--library]\n"
      "              evaluate a title formatting script against the given fields\n"
      "  library scan FOLDER... [--db FILE]\n"
      "              scan folders as the library does: counts and time, database.dat\n"
      "  library dump FILE\n"
      "              a library file (database.dat) as JSON\n"
      "  tags FILE   every tag field, the tag types and the pictures as JSON\n"
      "  retag FILE [--set FIELD=VALUE]... [--clear FIELD]... [--picture KIND=IMAGE]...\n"
      "              write tags (KIND: front, back, disc, artist; an empty IMAGE removes)\n"
      "  devices     list the output modules and their devices with GUIDs\n"
      "  tone [--output directsound|null|render] [--out OUT.wav] [--seconds S] ...\n"
      "              play a sine through an output (lumo-inspect tone --help)\n"
      "  play FILE... [--out OUT.wav] [--volume DB] [--replaygain track|album|off]\n"
      "       [--seek SECONDS]\n"
      "              play files through the playback engine (gapless), to a WAV or the device\n"
      "  view DATABASE_OR_FOLDER [--path KEY/KEY/...]\n"
      "              a level of the library views: title, then label, track count, key\n",
      stderr);
  return 2;
}

int print_version() {
  std::printf("lumo-inspect %s\n", LUMO_VERSION);
  for (const auto& [name, version] : codec_library_versions())
    std::printf("%s %s\n", name.c_str(), version.c_str());
  return 0;
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  if (args[0] == "--version") return print_version();
  if (args[0] == "info") return inspect_info(args);
  if (args[0] == "decode") return inspect_decode(args);
  if (args[0] == "format") return run_format_command(args);
  if (args[0] == "library") return inspect_library(args);
  if (args[0] == "tags") return inspect_tags(args);
  if (args[0] == "retag") return inspect_retag(args);
  if (args[0] == "devices") return inspect_devices(args);
  if (args[0] == "tone") return inspect_tone(args);
  if (args[0] == "play") return inspect_play(args);
  if (args[0] == "view") return inspect_view(args);
  return usage();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(lumo::from_wide(argv[i]));
  return run(args);
}
#else
int main(int argc, char** argv) {
  return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
