#include "inspect_view.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "core/exceptions.h"
#include "core/main_thread.h"
#include "fs/file_system.h"
#include "fs/native_fs.h"
#include "library/folder_tree.h"
#include "library/folder_watcher.h"
#include "library/library_database.h"
#include "library/library_settings.h"
#include "library/library_view_model.h"

namespace {

std::vector<lumo::track_handle_ptr> handles_of_database(const std::string& path) {
  lumo::file_ptr f = lumo::open_file("file://" + lumo::native_fs::canonical_path(path),
                                     lumo::open_mode::read, lumo::abort_none());
  auto bytes = std::make_shared<std::vector<uint8_t>>(f->get_size(lumo::abort_none()));
  f->read_exact(bytes->data(), bytes->size(), lumo::abort_none());
  std::vector<lumo::track_handle_ptr> handles;
  for (const auto& [key, window] : lumo::read_database_windows(bytes)) {
    auto tree = lumo::decode_folder_state(window.bytes(), window.offset,
                                          lumo::folder_root_location(key, ""));
    lumo::collect_handles(*tree, handles);
  }
  return handles;
}

std::vector<lumo::track_handle_ptr> handles_of_folder(const std::string& folder) {
  lumo::folder_watcher_options o;
  o.root_url = lumo::folder_root_location(lumo::native_fs::canonical_path(folder), "");
  o.deliver = [](lumo::library_changes) {};
  lumo::folder_watcher watcher(std::move(o));
  watcher.start(lumo::folder_mode_no_monitoring);  // one refresh
  while (watcher.is_running()) {
    lumo::run_pending(lumo::drain::until_empty);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  lumo::run_pending(lumo::drain::until_empty);
  return watcher.handles();
}

// Keys are separated by "/"; "\n" stands for the line feed inside album keys.
std::vector<std::string> parse_path(const std::string& text) {
  std::vector<std::string> keys;
  std::string key;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '/') {
      keys.push_back(std::move(key));
      key.clear();
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      key += '\n';
      ++i;
    } else {
      key += text[i];
    }
  }
  if (!text.empty()) keys.push_back(std::move(key));
  return keys;
}

std::string escaped(const std::string& key) {
  std::string out;
  for (char c : key) out += c == '\n' ? std::string("\\n") : std::string(1, c);
  return out;
}

}  // namespace

int inspect_view(const std::vector<std::string>& args) {
  std::string source, path;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--path" && i + 1 < args.size())
      path = args[++i];
    else if (source.empty())
      source = args[i];
    else
      source.clear(), i = args.size();
  }
  if (source.empty()) {
    std::fputs("usage: lumo-inspect view DATABASE_OR_FOLDER [--path KEY/KEY/...]\n", stderr);
    return 2;
  }
  try {
    const bool is_folder = lumo::native_fs::probe(source) == lumo::native_fs::item_kind::directory;
    lumo::library_view_model model;
    model.set_items(
        lumo::make_view_items(is_folder ? handles_of_folder(source) : handles_of_database(source)));
    const auto keys = parse_path(path);
    model.replay(keys);
    std::printf("title: %s\n", model.title().render().c_str());
    std::printf("level: %d\n", int(model.level()));
    if (model.navigation_path().size() < std::min<size_t>(keys.size(), 3))
      std::printf("stopped at: %s\n", escaped(keys[model.navigation_path().size()]).c_str());
    for (const auto& e : model.entries())
      std::printf("%s\t%u\t%s\n", e.label.c_str(), e.item_count, escaped(e.key).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumo-inspect: %s\n", kel::error_text(e).c_str());
    return 1;
  }
  return 0;
}
