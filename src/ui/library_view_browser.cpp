#include "ui/library_view_browser.h"

#include <algorithm>

#include "core/case_map.h"
#include "core/debug_output.h"
#include "core/main_thread.h"
#include "i18n/language_table.h"
#include "library/browse_platform.h"
#include "library/logical_compare.h"
#include "library/media_library.h"

namespace lumo {

namespace {

constexpr std::string_view file_scheme = "file://";
// Between the folders of a folder view's title.
constexpr std::string_view folder_separator = " \xe2\x80\xba ";  // U+203A

bool is_separator(char c) {
  return c == '\\' || c == '/';
}

std::string native_path_of(std::string_view url) {
  return std::string(url.rfind(file_scheme, 0) == 0 ? url.substr(file_scheme.size()) : url);
}

// Without trailing separators, except where they make the root ("/", "C:\").
std::string_view trimmed(std::string_view path) {
  while (path.size() > 1 && is_separator(path.back()) && path[path.size() - 2] != ':')
    path.remove_suffix(1);
  return path;
}

// The folder above; a root ("C:\", "/") stays with its separator, and a path without
// one has no parent.
std::string parent_folder(std::string_view path) {
  path = trimmed(path);
  size_t at = path.size();
  while (at > 0 && !is_separator(path[at - 1])) --at;
  if (at == 0 || at == path.size()) return {};
  std::string_view parent = path.substr(0, at - 1);
  if (parent.empty() || parent.back() == ':') parent = path.substr(0, at);
  return std::string(parent);
}

bool lies_within(std::string_view root, std::string_view folder) {
  root = trimmed(root);
  folder = trimmed(folder);
  if (root.empty() || folder.size() < root.size()) return false;
  if (utf8_to_lower(folder.substr(0, root.size())) != utf8_to_lower(root)) return false;
  return folder.size() == root.size() || is_separator(root.back()) ||
         is_separator(folder[root.size()]);
}

std::vector<std::string> split_keys(const std::string& text) {
  std::vector<std::string> keys;
  size_t start = 0;
  for (size_t at; (at = text.find(", ", start)) != std::string::npos; start = at + 2)
    keys.push_back(text.substr(start, at - start));
  keys.push_back(text.substr(start));
  return keys;
}

}  // namespace

std::string common_folder(const std::vector<std::string>& file_paths) {
  if (file_paths.empty()) return {};
  std::string common = parent_folder(file_paths.front());
  for (size_t i = 1; i < file_paths.size() && !common.empty(); ++i) {
    const std::string folder = parent_folder(file_paths[i]);
    while (!common.empty() && !lies_within(common, folder)) {
      std::string up = parent_folder(common);
      common = up == common ? std::string() : up;
    }
  }
  return common;
}

std::vector<std::string> folder_chain(std::string_view root, std::string_view folder) {
  if (!lies_within(root, folder)) return {};
  std::vector<std::string> chain{std::string(root)};
  std::string current(root);
  std::string_view rest = trimmed(folder).substr(trimmed(root).size());
  while (!rest.empty()) {
    while (!rest.empty() && is_separator(rest.front())) rest.remove_prefix(1);
    size_t end = 0;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    if (end == 0) break;
    current = browse_platform::join_path(current, rest.substr(0, end));
    chain.push_back(current);
    rest.remove_prefix(end);
  }
  return chain;
}

browse_environment system_browse_environment() {
  browse_environment env;
  env.music_folders = [] {
    std::vector<std::string> out;
    for (const std::string& root : media_library::get().folder_roots())
      out.push_back(native_path_of(root));
    return out;
  };
  env.known_folders = [] {
    static const known_music_folders known = get_known_music_folders();
    return known;
  };
  env.drives = [] { return computer_root(); };
  env.is_indexing = [] { return media_library::get().is_indexing(); };
  return env;
}

struct library_view_browser::drive_answer {
  library_view_browser* owner = nullptr;  // null once the browser is gone (main thread)
};

library_view_browser::library_view_browser(browse_environment environment)
    : env_(std::move(environment)), drive_answer_(std::make_shared<drive_answer>()) {
  drive_answer_->owner = this;
  read_music_folders();
  update_title();
}

library_view_browser::~library_view_browser() {
  if (attached_) media_library::get().unregister_callback(this);
  binding_.reset();
  folder_.reset();
  drive_answer_->owner = nullptr;
  if (drive_worker_.joinable()) drive_worker_.join();
}

void library_view_browser::read_music_folders() {
  if (!env_.music_folders) return;
  try {
    music_folders_ = env_.music_folders();
  } catch (const std::exception& e) {
    // A library that failed to load has no folders to show; the error is its to report.
    debug_output(std::string("Music folders: ") + e.what() + "\n");
    music_folders_.clear();
  }
}

void library_view_browser::attach_media_library(const browser_location& where) {
  if (attached_) return go_to(where);
  // A saved library path is followed once before the model has tracks: the "all"
  // entries exist without them, so a leading run of "all" keys costs nothing, and filling
  // the model then builds only the level reached rather than every level on the way.
  const bool library_view =
      where.view != navigation_target::music_folders && where.view != navigation_target::computer;
  if (library_view) go_to(where);
  // The binding first: notifications reach callbacks in registration order, so the
  // model has taken each change before this browser shows it.
  binding_ = std::make_unique<library_view_binding>(model_);
  media_library::get().register_callback(this);
  attached_ = true;
  read_music_folders();
  is_indexing_ = env_.is_indexing && env_.is_indexing();
  go_to(where);  // the rest of the path, now that the keys exist
}

void library_view_browser::set_library_items(const std::vector<track_handle_ptr>& items) {
  model_.set_items(make_view_items(items));
  library_changed();
}

void library_view_browser::on_items_added(const std::vector<track_handle_ptr>&) {
  library_changed();
}
void library_view_browser::on_items_removed(const std::vector<track_handle_ptr>&) {
  library_changed();
}
void library_view_browser::on_items_modified(const std::vector<track_handle_ptr>&) {
  library_changed();
}

void library_view_browser::on_indexing_changed(bool is_indexing) {
  is_indexing_ = is_indexing;
  // Folders join and leave the library while it indexes: the count and the root list
  // are read again.
  read_music_folders();
  if (folder_ && folder_->view == navigation_target::music_folders && folder_->chain.empty())
    list_root();
  changed();
}

void library_view_browser::library_changed() {
  // The folder views list the disk, not the library.
  if (!folder_) changed();
}

void library_view_browser::changed() {
  update_title();
  if (on_changed) on_changed();
}

size_t library_view_browser::entry_count() const {
  return folder_ ? folder_->entries.size() : model_.entries().size();
}

std::string library_view_browser::entry_label(size_t index) const {
  if (folder_) return index < folder_->entries.size() ? folder_->entries[index].name : "";
  const auto& entries = model_.entries();
  return index < entries.size() ? entries[index].label : "";
}

bool library_view_browser::entry_opens(size_t index) const {
  if (folder_)
    return index < folder_->entries.size() &&
           folder_->entries[index].kind != browse_entry_kind::file;
  return index < model_.entries().size() && model_.level() != view_level::songs;
}

bool library_view_browser::entry_is_all(size_t index) const {
  return !folder_ && index < model_.entries().size() && model_.entries()[index].is_all;
}

void library_view_browser::open_entries(const std::vector<size_t>& entries) {
  if (!folder_) {
    if (model_.choose(entries)) changed();
    return;
  }
  for (size_t i : entries) {
    if (i >= folder_->entries.size() || folder_->entries[i].kind == browse_entry_kind::file)
      continue;
    std::vector<std::string> chain = folder_->chain;
    chain.push_back(folder_->entries[i].path);
    show_folder(folder_->view, std::move(chain));
    return;
  }
}

std::vector<track_location> library_view_browser::tracks_of(
    const std::vector<size_t>& entries) const {
  std::vector<track_location> out;
  if (!folder_) {
    const auto& list = model_.entries();
    std::vector<size_t> chosen;
    for (size_t i : entries) {
      if (i >= list.size()) continue;
      // The "all" entry stands for the whole level; the groups beside it add nothing.
      if (list[i].is_all) {
        chosen = {i};
        break;
      }
      chosen.push_back(i);
    }
    for (size_t i : chosen)
      for (const library_view_item& item : model_.items_of(i)) out.push_back(item.location());
    return out;
  }
  for (size_t i : entries) {
    if (i >= folder_->entries.size()) continue;
    const browse_entry& e = folder_->entries[i];
    if (e.kind == browse_entry_kind::file) {
      if (e.handle) out.push_back(e.handle->location());
      continue;
    }
    // A folder plays what the library holds below it, in path order.
    std::vector<track_location> below;
    for (size_t k = 0; k < model_.item_count(); ++k) {
      const track_location& where = model_.item(uint32_t(k)).location();
      if (lies_within(e.path, parent_folder(native_path_of(where.path)))) below.push_back(where);
    }
    std::sort(below.begin(), below.end(), [](const track_location& a, const track_location& b) {
      if (int r = ordering_compare(a.path, b.path)) return r < 0;
      return a.subsong_index < b.subsong_index;
    });
    out.insert(out.end(), below.begin(), below.end());
  }
  return out;
}

browser_location library_view_browser::location() const {
  if (folder_) return {folder_->view, folder_->chain};
  return {navigation_target::genres, model_.navigation_path()};
}

void library_view_browser::go_to(const browser_location& where) {
  switch (where.view) {
    case navigation_target::genres: return show_library_path(where.path);
    case navigation_target::artists:
      return show_library_path(where.path.empty() ? std::vector{std::string(all_genres_key)}
                                                  : where.path);
    case navigation_target::albums:
      return show_library_path(where.path.empty() ? std::vector{std::string(all_genres_key),
                                                                std::string(all_artists_key)}
                                                  : where.path);
    case navigation_target::music_folders:
    case navigation_target::computer: return show_folder(where.view, where.path);
  }
}

void library_view_browser::show_library_path(const std::vector<std::string>& path) {
  folder_.reset();
  ++generation_;
  // Only the levels that differ are rebuilt: going back from songs to albums, or into a
  // sibling, costs one list rather than a replay from the top.
  const std::vector<std::string> now = model_.navigation_path();
  size_t same = 0;
  while (same < now.size() && same < path.size() && now[same] == path[same]) ++same;
  if (same < now.size()) model_.go_to_level(view_level(same));
  for (size_t i = same; i < path.size() && model_.level() != view_level::songs; ++i) {
    if (model_.choose_keys({path[i]})) continue;
    // A selection of several keys; those that still exist are chosen.
    if (!model_.choose_keys(split_keys(path[i]))) break;
  }
  changed();
}

void library_view_browser::show_artist(std::string_view artist) {
  show_library_path({std::string(all_genres_key), std::string(artist)});
}

void library_view_browser::show_album(std::string_view album_artist, std::string_view album) {
  show_library_path(
      {std::string(all_genres_key),
       album_artist.empty() ? std::string(all_artists_key) : std::string(album_artist),
       std::string(album_artist) + "\n" + std::string(album)});
}

bool library_view_browser::go_to_folder_of(const std::vector<size_t>& entries) {
  std::vector<std::string> files;
  for (const track_location& t : tracks_of(entries))
    if (t.path.rfind(file_scheme, 0) == 0) files.push_back(native_path_of(t.path));
  const std::string folder = common_folder(files);
  if (folder.empty()) return false;
  // Within a music folder the music folders view shows it, elsewhere the computer view.
  for (const std::string& root : music_folders_) {
    std::vector<std::string> chain = folder_chain(root, folder);
    if (!chain.empty()) {
      show_folder(navigation_target::music_folders, std::move(chain));
      return true;
    }
  }
  std::string drive = folder;
  for (std::string up = parent_folder(drive); !up.empty() && up != drive; up = parent_folder(drive))
    drive = up;
  std::vector<std::string> chain = folder_chain(drive, folder);
  if (chain.empty()) return false;
  show_folder(navigation_target::computer, std::move(chain));
  return true;
}

void library_view_browser::show_folder(navigation_target view, std::vector<std::string> chain) {
  ++generation_;
  folder_.reset();  // ends the previous folder's worker first
  // Assigned, not emplaced: clang decides whether the nested type is default-constructible
  // before its enclosing class is complete.
  folder_ = folder_view{};
  folder_->view = view;
  folder_->chain = std::move(chain);
  if (folder_->chain.empty()) {
    list_root();
  } else {
    const std::string path = folder_->chain.back();
    folder_->session = std::make_unique<browse_session>(
        path, [this](folder_listing listing) { take_listing(std::move(listing)); },
        [this](const std::string& error) {
          if (!folder_) return;
          folder_->error = error;
          folder_->listed = true;
          folder_->entries.clear();
          changed();
        },
        env_.accepts);
  }
  changed();
}

void library_view_browser::list_root() {
  if (folder_->view == navigation_target::music_folders) {
    folder_->entries = music_folders_root(
        music_folders_, env_.known_folders ? env_.known_folders() : known_music_folders{});
    folder_->listed = true;
    return;
  }
  folder_->entries.clear();
  folder_->listed = false;
  if (!env_.drives) {
    folder_->listed = true;
    return;
  }
  if (drive_worker_.joinable()) drive_worker_.join();
  drive_worker_ = std::thread([answer = drive_answer_, drives = env_.drives, gen = generation_] {
    std::vector<browse_entry> found;
    try {
      found = drives();
    } catch (const std::exception&) {
      // No drives to show; the view stays empty.
    }
    post_to_main_thread([answer, gen, found = std::move(found)]() mutable {
      library_view_browser* self = answer->owner;
      if (!self || self->generation_ != gen || !self->folder_) return;
      self->folder_->entries = std::move(found);
      self->folder_->listed = true;
      self->changed();
    });
  });
}

void library_view_browser::take_listing(folder_listing listing) {
  if (!folder_ || folder_->chain.empty() || listing.path != folder_->chain.back()) return;
  // Folders first, then files, each in the listing's order.
  std::vector<browse_entry> entries;
  entries.reserve(listing.folders.size() + listing.files.size());
  for (auto& [name, e] : listing.folders) entries.push_back(std::move(e));
  for (auto& [name, e] : listing.files) entries.push_back(std::move(e));
  folder_->entries = std::move(entries);
  folder_->error.clear();
  folder_->listed = true;
  changed();
}

std::string library_view_browser::folder_name(size_t chain_index) const {
  const std::string& path = folder_->chain[chain_index];
  if (chain_index > 0) return last_path_component(path);
  if (folder_->view == navigation_target::music_folders) {
    const auto names = music_folder_display_names(
        music_folders_, env_.known_folders ? env_.known_folders() : known_music_folders{});
    for (size_t i = 0; i < music_folders_.size(); ++i)
      if (music_folders_[i] == path) return names[i];
    return last_path_component(path);
  }
  return path;
}

void library_view_browser::update_title() {
  view_title t;
  model_links_.clear();
  folder_links_.clear();
  if (!folder_) {
    t = model_.title();
    model_links_ = t.links();
    title_ = t.render();
    return;
  }
  const navigation_target view = folder_->view;
  const std::string root =
      get_text(view == navigation_target::music_folders ? "ui_view_folders" : "ui_nav_computer");
  const std::vector<std::string>& chain = folder_->chain;
  if (chain.empty()) {
    t.append_text(root);
  } else {
    t.append_link(root, {});
    folder_links_.push_back({view, {}});
    for (size_t i = 0; i < chain.size(); ++i) {
      t.append_text(folder_separator);
      if (i + 1 == chain.size()) {
        t.append_text(folder_name(i));
      } else {
        t.append_link(folder_name(i), {});
        folder_links_.push_back(
            {view, std::vector<std::string>(chain.begin(), chain.begin() + std::ptrdiff_t(i) + 1)});
      }
    }
  }
  if (!folder_->error.empty()) t.append_text(" (" + folder_->error + ")");
  title_ = t.render();
}

void library_view_browser::open_title_link(size_t link_index) {
  if (folder_) {
    if (link_index < folder_links_.size()) go_to(browser_location(folder_links_[link_index]));
    return;
  }
  if (link_index >= model_links_.size()) return;
  const view_link_target target = model_links_[link_index];
  model_.follow_link(target);
  changed();
}

}  // namespace lumo
