#include "format_command.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/abort.h"
#include "core/exceptions.h"
#include "input/input_open.h"
#include "inspect_input.h"
#include "library/library_title_format_hook.h"
#include "meta/title_format.h"
#include "meta/title_format_fields.h"
#include "meta/track_info_mutable.h"
#include "meta/track_info_title_format_hook.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int format_usage(const char* problem) {
  std::fprintf(stderr,
               "lumo-inspect format: %s\n"
               "usage: lumo-inspect format SCRIPT [--meta NAME=VALUE]... [--info NAME=VALUE]...\n"
               "       [--length SECONDS] [--path URL] [--subsong N] [--file FILE] [--library]\n",
               problem);
  return 2;
}

// The library keeps eight columns; several values of one column are joined by "; ".
lumo::track_summary summary_of(const lumo::track_info& info) {
  lumo::track_summary summary;
  summary.length = static_cast<float>(info.get_length());
  for (size_t i = 0; i < lumo::summary_column_count; ++i)
    summary.set_column(lumo::summary_column(i), info.meta_joined(lumo::summary_column_names[i]));
  return summary;
}

bool parse_number(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0';
}

}  // namespace

int run_format_command(const std::vector<std::string>& args) {
  if (args.size() < 2) return format_usage("missing SCRIPT");
  const std::string& script_text = args[1];
  lumo::track_info_mutable info;
  lumo::track_location location;
  bool has_location = false;
  bool use_library = false;

  for (size_t i = 2; i < args.size(); ++i) {
    std::string_view option = args[i];
    if (option == "--library") {
      use_library = true;
      continue;
    }
    if (i + 1 >= args.size()) return format_usage("an option is missing its value");
    const std::string& value = args[++i];
    if (option == "--meta" || option == "--info") {
      size_t eq = value.find('=');
      if (eq == std::string::npos || eq == 0) return format_usage("expected NAME=VALUE");
      std::string_view name = std::string_view(value).substr(0, eq);
      std::string_view field = std::string_view(value).substr(eq + 1);
      if (option == "--meta")
        info.meta_add_value(name, field);
      else
        info.info_set(name, field);
    } else if (option == "--length") {
      double seconds = 0;
      if (!parse_number(value, seconds)) return format_usage("--length needs a number");
      info.set_length(seconds);
    } else if (option == "--file") {
      // Starts from what the input framework reads from the file (subsong as given so far).
      try {
        const std::string url = inspect_url(value);
        const auto reader = lumo::open_input_info_reader(url, nullptr, lumo::abort_none());
        lumo::track_info_mutable read;
        reader->get_info(location.subsong_index, read, lumo::abort_none());
        info.copy_from(read);
        location.path = url;
        has_location = true;
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
        return 1;
      }
    } else if (option == "--path") {
      location.path = value;
      has_location = true;
    } else if (option == "--subsong") {
      double index = 0;
      if (!parse_number(value, index) || index < 0 || index > 4294967295.0)
        return format_usage("--subsong needs a whole number");
      location.subsong_index = static_cast<uint32_t>(index);
      has_location = true;
    } else {
      return format_usage("unknown option");
    }
  }

  auto script = lumo::title_format_script::compile(script_text);
  bool found = false;
  std::string text;
  if (use_library) {
    lumo::track_summary summary = summary_of(info);
    lumo::library_title_format_hook hook(summary, location);
    text = script.format(hook, &found);
  } else {
    lumo::track_info_title_format_hook hook(info, has_location ? &location : nullptr);
    text = script.format(hook, &found);
  }
#ifdef _WIN32
  // The text is written byte for byte: a "\n" inside it must not turn into "\r\n".
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fputs(found ? "found\n" : "not found\n", stderr);
  return 0;
}
