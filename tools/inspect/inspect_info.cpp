// lumo-inspect info FILE
#include <cstdio>
#include <exception>
#include <string>

#include "core/abort.h"
#include "core/exceptions.h"
#include "input/input_open.h"
#include "inspect_input.h"
#include "meta/track_info_mutable.h"

namespace {

std::string json_number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

void print_track(const lumo::track_info& info, uint32_t subsong) {
  std::printf("    {\n      \"subsong\": %u,\n      \"length\": %s,\n      \"meta\": {", subsong,
              json_number(info.get_length()).c_str());
  for (size_t i = 0; i < info.meta_count(); ++i) {
    std::printf("%s\n        %s: [", i ? "," : "", json_string(info.meta_name(i)).c_str());
    for (size_t v = 0; v < info.meta_value_count(i); ++v)
      std::printf("%s%s", v ? ", " : "", json_string(info.meta_value(i, v)).c_str());
    std::printf("]");
  }
  std::printf("%s},\n      \"info\": {", info.meta_count() ? "\n      " : "");
  for (size_t i = 0; i < info.info_count(); ++i)
    std::printf("%s\n        %s: %s", i ? "," : "", json_string(info.info_name(i)).c_str(),
                json_string(info.info_value(i)).c_str());
  std::printf("%s},\n      \"replaygain\": {", info.info_count() ? "\n      " : "");
  const lumo::replaygain_info rg = info.get_replaygain();
  const auto fields = rg.to_text_fields();
  for (size_t i = 0; i < fields.size(); ++i)
    std::printf("%s%s: %s", i ? ", " : "", json_string(fields[i].first).c_str(),
                json_string(fields[i].second).c_str());
  std::printf("}\n    }");
}

}  // namespace

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string inspect_url(const std::string& path) {
  return path.find("://") == std::string::npos ? "file://" + path : path;
}

int inspect_info(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::fputs("usage: lumo-inspect info FILE\n", stderr);
    return 2;
  }
  try {
    const std::string url = inspect_url(args[1]);
    const auto reader = lumo::open_input_info_reader(url, nullptr, lumo::abort_none());
    lumo::track_info_mutable info;
    reader->get_info(0, info, lumo::abort_none());
    std::printf("{\n  \"path\": %s,\n  \"subsongs\": [\n", json_string(url).c_str());
    print_track(info, 0);
    std::printf("\n  ]\n}\n");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
    return 1;
  }
}
