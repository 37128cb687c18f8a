#include "app/command_line_processing.h"

#include <algorithm>

#include "app/app_services.h"
#include "app/command_line.h"
#include "core/case_map.h"
#include "core/exceptions.h"
#include "core/popup_message.h"
#include "core/service_registry.h"
#include "core/unicode.h"
#include "fs/file_system.h"
#include "fs/native_fs.h"

namespace lumo {

namespace {

std::string to_url(std::string_view location) {
  std::string url = location.find("://") != std::string_view::npos
                        ? std::string(location)
                        : "file://" + std::string(location);
  if (auto canonical = make_canonical_path(url)) return *canonical;
  return url;
}

bool is_separator(char c) {
  return c == native_fs::path_separator() || c == '/';
}

std::string join(std::string_view folder, std::string_view name) {
  std::string r(folder);
  if (r.empty() || !is_separator(r.back())) r += native_fs::path_separator();
  r += name;
  return r;
}

// Directory entries sorted by name so a folder always opens in the same order.
std::vector<native_fs::entry> sorted_entries(std::string_view folder) {
  std::vector<std::pair<std::string, native_fs::entry>> keyed;
  native_fs::list_directory(folder, [&](const native_fs::entry& e) {
    if (e.name != "." && e.name != "..") keyed.emplace_back(utf8_to_lower(e.name), e);
    return true;
  });
  std::sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<native_fs::entry> entries;
  entries.reserve(keyed.size());
  for (auto& k : keyed) entries.push_back(std::move(k.second));
  return entries;
}

// Deeper than any real music collection; a chain of folders deeper than this is a
// trap (or a loop the link test cannot see), not music.
constexpr int max_folder_depth = 64;

void scan_folder(std::string_view folder, std::vector<std::string>& out, int depth = 0) {
  for (const native_fs::entry& e : sorted_entries(folder)) {
    if (e.is_folder) {
      // Links are not followed: one pointing at its own parent would never end.
      if (!e.name.starts_with(".") && !e.is_link && depth < max_folder_depth)
        scan_folder(join(folder, e.name), out, depth + 1);
    } else {
      out.push_back(to_url(join(folder, e.name)));
    }
  }
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point: the last "*" seen.
  const std::string p = utf8_to_lower(pattern), n = utf8_to_lower(name);
  size_t pi = 0, ni = 0, star = std::string::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      resume = ni;
    } else if (pi < p.size() && p[pi] == '?') {
      // One character, which may be several bytes of UTF-8.
      ++pi;
      utf8_next(n, ni);
    } else if (pi < p.size() && p[pi] == n[ni]) {
      ++pi;
      ++ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      utf8_next(n, resume);
      ni = resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

std::vector<std::string> expand_path_argument(std::string_view argument,
                                              std::string_view base_folder) {
  std::vector<std::string> out;
  if (argument.find("://") != std::string_view::npos) {
    out.push_back(std::string(argument));
    return out;
  }
  std::string path = resolve_against(base_folder, argument);
  if (native_fs::probe(path) == native_fs::item_kind::directory) {
    while (path.size() > 1 && is_separator(path.back()) && path[path.size() - 2] != ':')
      path.pop_back();
    if (path.size() == 2 && path[1] == ':') path += native_fs::path_separator();
    scan_folder(path, out);
    return out;
  }
  if (path.find_first_of("*?") != std::string::npos) {
    size_t cut = path.find_last_of(native_fs::path_separator() == '\\' ? "\\/" : "/");
    std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    std::string pattern = cut == std::string::npos ? path : path.substr(cut + 1);
    if (native_fs::probe(folder) != native_fs::item_kind::directory) return out;
    for (const native_fs::entry& e : sorted_entries(folder)) {
      if (!wildcard_match(pattern, e.name)) continue;
      if (!e.is_folder)
        out.push_back(to_url(join(folder, e.name)));
      else if (!e.name.starts_with("."))
        scan_folder(join(folder, e.name), out);
    }
    return out;
  }
  out.push_back(to_url(path));
  return out;
}

command_line_outcome run_command_line(std::string_view text, std::string_view base_folder) {
  command_line_outcome outcome;
  const std::vector<std::string> args = split_command_line(text);
  outcome.bare = args.size() <= 1;

  std::vector<service_ptr<switch_handler>> handlers;
  for (service_ptr<switch_handler> h : enumerate_services<switch_handler>())
    handlers.push_back(std::move(h));
  service_ptr<switch_handler> current;
  auto finish_current = [&] {
    if (current) {
      current->on_files_done();
      current.reset();
    }
  };

  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty()) continue;
    if (arg[0] == '/' || arg[0] == '-') {
      finish_current();
      // Start-up has already acted on these (case-sensitively); here any case is skipped.
      const std::string lowered = utf8_to_lower(arg);
      if (lowered == "/quiet" || lowered == "/makereadonly") continue;
      const bool help = lowered == "/help" || lowered == "/?";
      bool answered = false;
      for (const service_ptr<switch_handler>& h : handlers) {
        int answer = h->on_token(arg);
        if (help || answer == switch_handler::not_mine) continue;
        answered = true;
        if (answer == switch_handler::handled_takes_files) current = h;
        break;
      }
      if (!answered && !help)
        popup_message::g_show("unknown commandline parameter: " + arg, "Error", popup_icon::error);
      continue;
    }
    outcome.no_path_argument = false;
    std::vector<std::string> urls;
    try {
      urls = expand_path_argument(arg, base_folder);
    } catch (const std::exception&) {
      // An unreadable folder or a bad name: the argument is passed on as written, and
      // whoever opens it reports the error the user can act on.
      urls.push_back(to_url(resolve_against(base_folder, arg)));
    }
    for (const std::string& url : urls) {
      if (current)
        current->on_file(url);
      else
        outcome.items.push_back(url);
    }
  }
  finish_current();
  return outcome;
}

bool process_command_line(std::string_view text, std::string_view base_folder,
                          bool suppress_activation) {
  if (!services().is_ready()) return false;
  command_line_outcome outcome = run_command_line(text, base_folder);
  if (auto ui = current_user_interface()) {
    if (!outcome.items.empty()) ui->open_items(outcome.items);
    if ((outcome.bare && !suppress_activation) || !outcome.items.empty()) ui->activate();
  }
  return outcome.no_path_argument;
}

}  // namespace lumo
