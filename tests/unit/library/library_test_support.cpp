#include "library_test_support.h"

#include <algorithm>

#include "fs/file_system.h"

namespace lumo::testing {

namespace {

void put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}
void put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v));
  s.push_back(static_cast<char>(v >> 8));
}

void info_item(std::string& s, const char* id, const std::string& text) {
  if (text.empty()) return;
  std::string body = text + '\0';
  if (body.size() & 1) body.push_back('\0');
  s += id;
  put32(s, static_cast<uint32_t>(text.size() + 1));
  s += body;
}

}  // namespace

std::string make_wav(const wav_tags& tags) {
  std::string fmt;
  put16(fmt, 1);
  put16(fmt, 1);
  put32(fmt, 8000);
  put32(fmt, 16000);
  put16(fmt, 2);
  put16(fmt, 16);
  std::string list = "INFO";
  info_item(list, "INAM", tags.title);
  info_item(list, "IART", tags.artist);
  info_item(list, "IPRD", tags.album);
  info_item(list, "ITRK", tags.tracknumber);
  std::string body = "WAVE";
  body += "fmt ";
  put32(body, static_cast<uint32_t>(fmt.size()));
  body += fmt;
  body += "data";
  put32(body, 16);
  body += std::string(16, '\x01');
  body += "LIST";
  put32(body, static_cast<uint32_t>(list.size()));
  body += list;
  std::string out = "RIFF";
  put32(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

bool wait_until(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
  auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    run_pending(drain::until_empty);
    if (cond()) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void change_sink::apply(library_changes changes) {
  ++batches;
  for (const track_handle_ptr& h : changes.removed) {
    std::string key = h->location().path + "#" + std::to_string(h->location().subsong_index);
    std::erase(present, key);
  }
  for (const track_handle_ptr& h : changes.added) {
    std::string key = h->location().path + "#" + std::to_string(h->location().subsong_index);
    if (std::find(present.begin(), present.end(), key) == present.end()) present.push_back(key);
  }
  std::sort(present.begin(), present.end());
  all_added.insert(all_added.end(), changes.added.begin(), changes.added.end());
  all_removed.insert(all_removed.end(), changes.removed.begin(), changes.removed.end());
  all_modified.insert(all_modified.end(), changes.modified.begin(), changes.modified.end());
}

bool change_sink::has(std::string_view url) const {
  std::string key = std::string(url) + "#0";
  return std::find(present.begin(), present.end(), key) != present.end();
}

std::string change_sink::title_of(std::string_view url) const {
  track_handle_ptr h = get_track_handle({std::string(url), 0});
  cached_summary s = h->summary();
  return s.summary ? std::string(s.summary->column(summary_column::title)) : "<none>";
}

std::unique_ptr<folder_watcher> make_watcher(const std::string& root_url, change_sink& sink) {
  folder_watcher_options o;
  o.root_url = root_url;
  o.deliver = [&sink](library_changes c) { sink.apply(std::move(c)); };
  return std::make_unique<folder_watcher>(std::move(o));
}

void make_directory(const std::string& url) {
  find_file_system(url).create_directory(url);
}

void remove_path(const std::string& url) {
  find_file_system(url).remove(url);
}

void rename_path(const std::string& from, const std::string& to) {
  find_file_system(from).move(from, to);
}

}  // namespace lumo::testing
