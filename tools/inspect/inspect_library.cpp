// lumo-inspect library scan FOLDER... [--db FILE] and lumo-inspect library dump FILE
#include "inspect_library.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "core/exceptions.h"
#include "core/main_thread.h"
#include "fs/atomic_replace.h"
#include "fs/file_system.h"
#include "fs/native_fs.h"
#include "inspect_input.h"
#include "library/folder_watcher.h"
#include "library/library_database.h"
#include "library/library_settings.h"

namespace {

std::string indent(int depth) {
  return std::string(static_cast<size_t>(depth) * 2, ' ');
}

void dump_directory(const lumo::directory_node& node, int depth) {
  std::printf("{\n%s\"files\": [", indent(depth + 1).c_str());
  bool first = true;
  for (const auto& [name, entry] : node.files) {
    std::printf("%s\n%s{\"name\": %s, \"stamp\": %llu, \"tracks\": [", first ? "" : ",",
                indent(depth + 2).c_str(), json_string(name).c_str(),
                static_cast<unsigned long long>(entry.stamp));
    first = false;
    for (size_t i = 0; i < entry.handles.size(); ++i) {
      const lumo::track_handle_ptr& h = entry.handles[i];
      lumo::cached_summary s = h->summary();
      std::printf("%s{\"subsong\": %u", i ? ", " : "", h->location().subsong_index);
      if (s.summary && s.timestamp == entry.stamp) {
        std::printf(", \"length\": %.9g", static_cast<double>(s.summary->length));
        for (size_t c = 0; c < lumo::summary_column_count; ++c)
          std::printf(", %s: %s", json_string(lumo::summary_column_names[c]).c_str(),
                      json_string(s.summary->column(lumo::summary_column(c))).c_str());
      }
      std::printf("}");
    }
    std::printf("]}");
  }
  std::printf("%s],\n%s\"folders\": {", first ? "" : ("\n" + indent(depth + 1)).c_str(),
              indent(depth + 1).c_str());
  first = true;
  for (const auto& [name, child] : node.dirs) {
    std::printf("%s\n%s%s: ", first ? "" : ",", indent(depth + 2).c_str(),
                json_string(name).c_str());
    first = false;
    dump_directory(*child, depth + 2);
  }
  std::printf("%s}\n%s}", first ? "" : ("\n" + indent(depth + 1)).c_str(), indent(depth).c_str());
}

int dump(const std::string& path) {
  lumo::file_ptr f =
      lumo::open_file(path.find("://") == std::string::npos ? "file://" + path : path,
                      lumo::open_mode::read, lumo::abort_none());
  auto bytes = std::make_shared<std::vector<uint8_t>>(f->get_size(lumo::abort_none()));
  f->read_exact(bytes->data(), bytes->size(), lumo::abort_none());
  auto windows = lumo::read_database_windows(bytes);
  std::printf("{\n  \"folders\": [");
  bool first = true;
  for (const auto& [key, window] : windows) {
    // The handles get "file://" + key; dumping shows names only, so the exact root
    // spelling does not matter here.
    auto tree = lumo::decode_folder_state(window.bytes(), window.offset, "file://" + key);
    std::printf("%s\n    {\"path\": %s, \"state_bytes\": %llu, \"tree\": ", first ? "" : ",",
                json_string(key).c_str(), static_cast<unsigned long long>(window.size));
    first = false;
    dump_directory(*tree, 3);
    std::printf("}");
  }
  std::printf("%s]\n}\n", first ? "" : "\n  ");
  return 0;
}

int scan(const std::vector<std::string>& folders, const std::string& db_path) {
  auto start = std::chrono::steady_clock::now();
  std::vector<std::unique_ptr<lumo::folder_watcher>> watchers;
  size_t added = 0;
  for (const std::string& folder : folders) {
    lumo::folder_watcher_options o;
    o.root_url = lumo::folder_root_location(lumo::native_fs::canonical_path(folder), "");
    o.deliver = [&added](lumo::library_changes c) { added += c.added.size(); };
    watchers.push_back(std::make_unique<lumo::folder_watcher>(std::move(o)));
    watchers.back()->start(lumo::folder_mode_no_monitoring);  // one refresh
  }
  for (;;) {
    lumo::run_pending(lumo::drain::until_empty);
    bool running = false;
    for (const auto& w : watchers) running = running || w->is_running();
    if (!running) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  lumo::run_pending(lumo::drain::until_empty);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  size_t files = 0, tracks = 0;
  for (const auto& w : watchers) {
    files += w->file_count();
    tracks += w->handles().size();
  }
  std::printf("folders: %zu\nfiles: %zu\ntracks: %zu\nseconds: %.3f\n", watchers.size(), files,
              tracks, seconds);
  if (!db_path.empty()) {
    std::vector<lumo::database_folder_writer> writers;
    for (size_t i = 0; i < watchers.size(); ++i) {
      lumo::folder_watcher* w = watchers[i].get();
      writers.push_back({folders[i], [w] { return w->folder_state(); }});
    }
    std::string url = db_path.find("://") == std::string::npos
                          ? "file://" + lumo::native_fs::canonical_path(db_path)
                          : db_path;
    lumo::replace_file_atomically(
        url,
        [&](lumo::file& f, const lumo::abort_signal& a) { lumo::write_database(f, writers, a); },
        lumo::abort_none());
  }
  return 0;
}

}  // namespace

int inspect_library(const std::vector<std::string>& args) {
  try {
    if (args.size() == 3 && args[1] == "dump") return dump(args[2]);
    if (args.size() >= 3 && args[1] == "scan") {
      std::vector<std::string> folders;
      std::string db;
      for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--db" && i + 1 < args.size())
          db = args[++i];
        else
          folders.push_back(args[i]);
      }
      if (!folders.empty()) return scan(folders, db);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumo-inspect: %s\n", kel::error_text(e).c_str());
    return 1;
  }
  std::fputs(
      "usage: lumo-inspect library scan FOLDER... [--db FILE]\n"
      "       lumo-inspect library dump FILE\n",
      stderr);
  return 2;
}
