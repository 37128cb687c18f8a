#include "library/library_view_model.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "core/text_lookup.h"
#include "library/library_title_format_hook.h"
#include "library/logical_compare.h"
#include "library/media_library.h"

namespace lumo {

namespace {

constexpr std::string_view value_separator = "; ";
constexpr std::string_view key_separator = ", ";
constexpr std::string_view unknown_key = "?";

// Formats items with one script after another, reusing one hook and one buffer.
class item_formatter {
 public:
  explicit item_formatter(const library_view_item& first)
      : hook_(*first.summary, first.location()) {}

  // The formatted text; valid until the next call.
  const std::string& format(const title_format_script& script, const library_view_item& item) {
    text_.clear();
    hook_.reset(*item.summary, item.location());
    title_format_output out(text_);
    script.evaluate(hook_, out);
    return text_;
  }

 private:
  library_title_format_hook hook_;
  std::string text_;
};

// Writes the album identity of item into out (reused between calls).
void album_identity(item_formatter& f, const library_view_patterns& p,
                    const library_view_item& item, std::string& out) {
  out = f.format(p.album_artist, item);
  out += '\n';
  out += f.format(p.album, item);
}

struct string_hash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// The text before the first tab orders an entry, the text after it is shown.
std::pair<std::string_view, std::string_view> split_two_part(std::string_view text) {
  const size_t tab = text.find('\t');
  if (tab == std::string_view::npos) return {text, text};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

std::string join_keys(const std::vector<std::string>& keys) {
  std::string out;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) out += key_separator;
    out += keys[i];
  }
  return out;
}

std::vector<std::string_view> split_keys(std::string_view text) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (true) {
    const size_t at = text.find(key_separator, pos);
    out.push_back(
        text.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos));
    if (at == std::string_view::npos) break;
    pos = at + key_separator.size();
  }
  return out;
}

const std::vector<std::string_view>& keys_or_unknown(std::vector<std::string_view>& keys) {
  if (keys.empty()) keys.push_back(unknown_key);
  return keys;
}

int compare_items_fully(const library_view_item& a, const library_view_item& b) {
  // Blobs order as their eight columns do, one column after the other.
  if (const int r = a.summary->blob().compare(b.summary->blob())) return r;
  const track_location &la = a.location(), &lb = b.location();
  if (la.path != lb.path) return la.path < lb.path ? -1 : 1;
  if (la.subsong_index != lb.subsong_index) return la.subsong_index < lb.subsong_index ? -1 : 1;
  return 0;
}

// The next eight bytes of a key (zero-padded), then how many of them there are: an
// ended key sorts first, and a key ending inside the eight before a longer one.
struct key_piece {
  uint64_t bytes = 0;
  uint32_t count = 0;
  auto operator<=>(const key_piece&) const = default;
};

// One item to sort: its key as a range of a shared block of keys, its index, and the
// piece of its key at the depth being sorted (read once per depth: the keys lie all over
// the block, and reading them is what the sort costs).
struct keyed_index {
  uint32_t begin = 0;
  uint32_t size = 0;
  uint32_t index = 0;
  key_piece piece;
};

// Sorts by the keys' bytes, equal keys by tie_less on the indices: a three-way radix
// quicksort eight bytes at a time, which reads the long prefixes a library's keys share
// ("Artist - Album - ...") once per group instead of once per comparison. All keys in a
// call share their first `depth` bytes; has_pieces says their pieces are read already.
template <class tie_fn>
void sort_keyed(keyed_index* a, size_t n, size_t depth, const char* text, const tie_fn& tie_less,
                bool has_pieces = false, int nesting = 0) {
  auto rest = [&](const keyed_index& k) {
    return std::string_view(text + k.begin, k.size).substr(std::min<size_t>(depth, k.size));
  };
  auto by_index = [&](const keyed_index& x, const keyed_index& y) {
    return tie_less(x.index, y.index);
  };
  while (n > 1) {
    // Small runs, and pathological nesting, by plain comparison of what is left.
    if (n <= 12 || nesting > 48) {
      std::sort(a, a + n, [&](const keyed_index& x, const keyed_index& y) {
        if (int r = rest(x).compare(rest(y))) return r < 0;
        return by_index(x, y);
      });
      return;
    }
    if (!has_pieces) {
      for (size_t i = 0; i < n; ++i) {
        keyed_index& k = a[i];
        key_piece p;
        if (depth < k.size) {
          p.count = uint32_t(std::min<size_t>(8, k.size - depth));
          const char* from = text + k.begin + depth;
          for (size_t j = 0; j < 8; ++j)
            p.bytes = p.bytes << 8 | (j < p.count ? static_cast<unsigned char>(from[j]) : 0u);
        }
        k.piece = p;
      }
      has_pieces = true;
    }
    const key_piece p0 = a[0].piece, p1 = a[n / 2].piece, p2 = a[n - 1].piece;
    const key_piece pivot = std::max(std::min(p0, p1), std::min(std::max(p0, p1), p2));
    size_t lt = 0, i = 0, gt = n;
    while (i < gt) {
      if (a[i].piece < pivot)
        std::swap(a[lt++], a[i++]);
      else if (pivot < a[i].piece)
        std::swap(a[i], a[--gt]);
      else
        ++i;
    }
    sort_keyed(a, lt, depth, text, tie_less, true, nesting + 1);
    sort_keyed(a + gt, n - gt, depth, text, tie_less, true, nesting + 1);
    a += lt;
    n = gt - lt;
    if (pivot.count < 8) {  // these keys all ended within the eight bytes: they are equal
      std::sort(a, a + n, by_index);
      return;
    }
    depth += 8;
    has_pieces = false;
  }
}

// The order of keys [0, count) held in text, key k ending at ends[k].
template <class tie_fn>
std::vector<uint32_t> sorted_order(const std::string& text, const std::vector<uint32_t>& ends,
                                   const tie_fn& tie_less) {
  std::vector<keyed_index> keyed(ends.size());
  for (uint32_t k = 0; k < ends.size(); ++k) {
    const uint32_t begin = k ? ends[k - 1] : 0;
    keyed[k] = {begin, ends[k] - begin, k, {}};
  }
  sort_keyed(keyed.data(), keyed.size(), 0, text.data(), tie_less);
  std::vector<uint32_t> order(keyed.size());
  for (size_t k = 0; k < keyed.size(); ++k) order[k] = keyed[k].index;
  return order;
}

}  // namespace

std::string_view all_key_of(view_level level) {
  switch (level) {
    case view_level::genres: return all_genres_key;
    case view_level::artists: return all_artists_key;
    case view_level::albums: return all_albums_key;
    case view_level::songs: break;
  }
  return {};
}

// Calls fn for each non-empty value of a column text, in order.
template <class Fn>
void for_each_value(std::string_view column, Fn&& fn) {
  size_t pos = 0;
  while (pos <= column.size()) {
    const size_t at = column.find(value_separator, pos);
    const size_t end = at == std::string_view::npos ? column.size() : at;
    if (end > pos) fn(column.substr(pos, end - pos));
    if (at == std::string_view::npos) break;
    pos = at + value_separator.size();
  }
}

void split_values(std::string_view column, std::vector<std::string_view>& out) {
  out.clear();
  for_each_value(column, [&](std::string_view v) { out.push_back(v); });
}

std::vector<std::string_view> split_values(std::string_view column) {
  std::vector<std::string_view> out;
  split_values(column, out);
  return out;
}

void genre_keys(const track_summary& summary, std::vector<std::string_view>& out) {
  split_values(summary.column(summary_column::genre), out);
  keys_or_unknown(out);
}

void artist_keys(const track_summary& summary, std::vector<std::string_view>& out) {
  split_values(summary.column(summary_column::artist), out);
  for_each_value(summary.column(summary_column::album_artist), [&](std::string_view v) {
    if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
  });
  keys_or_unknown(out);
}

std::vector<std::string_view> genre_keys(const track_summary& summary) {
  std::vector<std::string_view> keys;
  genre_keys(summary, keys);
  return keys;
}

std::vector<std::string_view> artist_keys(const track_summary& summary) {
  std::vector<std::string_view> keys;
  artist_keys(summary, keys);
  return keys;
}

library_view_model::library_view_model() : library_view_model(library_view_patterns::compile()) {}

library_view_model::library_view_model(library_view_patterns patterns)
    : patterns_(std::move(patterns)) {
  rebuild();
}

void library_view_model::set_items(std::vector<library_view_item> items) {
  items_ = std::move(items);
  identities_.assign(items_.size(), std::string());
  rebuild();
}

void library_view_model::on_items_added(const std::vector<track_handle_ptr>& handles) {
  const size_t old_count = items_.size();
  // A few new tracks (the usual notification) are looked for directly; a big batch
  // through a set of every handle.
  constexpr size_t direct_search_limit = 16;
  std::unordered_set<const track_handle*> present;
  if (handles.size() > direct_search_limit) {
    present.reserve(items_.size() + handles.size());
    for (const auto& i : items_) present.insert(i.handle.get());
  }
  for (const auto& h : handles) {
    bool is_new;
    if (handles.size() > direct_search_limit) {
      is_new = present.insert(h.get()).second;
    } else {
      is_new = std::none_of(items_.begin(), items_.end(),
                            [&](const library_view_item& i) { return i.handle == h; });
    }
    if (is_new) items_.push_back(make_view_item(h));
  }
  identities_.resize(items_.size());
  if (items_.size() == old_count) return;  // nothing new: the list stands
  if (level_ == view_level::songs && items_.size() - old_count <= direct_search_limit) {
    std::vector<uint32_t> added(items_.size() - old_count);
    std::iota(added.begin(), added.end(), uint32_t(old_count));
    insert_songs(added);
    return;
  }
  rebuild();
}

void library_view_model::on_items_removed(const std::vector<track_handle_ptr>& handles) {
  std::unordered_set<const track_handle*> gone;
  for (const auto& h : handles) gone.insert(h.get());
  size_t kept = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (gone.count(items_[i].handle.get())) continue;
    if (kept != i) {
      items_[kept] = std::move(items_[i]);
      identities_[kept] = std::move(identities_[i]);
    }
    ++kept;
  }
  items_.resize(kept);
  identities_.resize(kept);
  rebuild();
}

void library_view_model::on_items_modified(const std::vector<track_handle_ptr>& handles) {
  std::unordered_set<const track_handle*> changed;
  for (const auto& h : handles) changed.insert(h.get());
  for (size_t i = 0; i < items_.size(); ++i) {
    if (!changed.count(items_[i].handle.get())) continue;
    items_[i] = make_view_item(items_[i].handle);
    identities_[i].clear();
  }
  rebuild();
}

library_view_binding::library_view_binding(library_view_model& model) : model_(model) {
  media_library& library = media_library::get();
  library.register_callback(this);
  model_.set_items(make_view_items(library.get_all()));
}

library_view_binding::~library_view_binding() {
  media_library::get().unregister_callback(this);
}

std::vector<library_view_item> library_view_model::items_of(size_t entry_index) const {
  std::vector<library_view_item> out;
  if (entry_index >= entries_.size()) return out;
  const auto& e = entries_[entry_index];
  out.reserve(e.item_count);
  for (uint32_t i = 0; i < e.item_count; ++i) out.push_back(items_[entry_items_[e.first_item + i]]);
  return out;
}

struct library_view_model::scope_filter {
  const level_selection* genres = nullptr;
  const level_selection* artists = nullptr;
  const level_selection* albums = nullptr;
  std::unordered_set<std::string_view> genre_set, artist_set, album_set;
  mutable std::vector<std::string_view> keys;  // scratch, so no track costs an allocation
};

library_view_model::scope_filter library_view_model::make_filter() const {
  const int level = int(level_);
  auto restriction = [&](int l) -> const level_selection* {
    return level > l && !selections_[l].is_all ? &selections_[l] : nullptr;
  };
  scope_filter f;
  f.genres = restriction(0);
  f.artists = restriction(1);
  f.albums = restriction(2);
  if (f.genres) f.genre_set.insert(f.genres->keys.begin(), f.genres->keys.end());
  if (f.artists) f.artist_set.insert(f.artists->keys.begin(), f.artists->keys.end());
  if (f.albums) f.album_set.insert(f.albums->keys.begin(), f.albums->keys.end());
  return f;
}

bool library_view_model::in_scope(const scope_filter& filter, uint32_t i) {
  const auto& s = *items_[i].summary;
  std::vector<std::string_view>& keys = filter.keys;
  if (filter.genres) {
    genre_keys(s, keys);
    if (std::none_of(keys.begin(), keys.end(), [&](auto k) { return filter.genre_set.count(k); }))
      return false;
  }
  if (filter.artists) {
    artist_keys(s, keys);
    if (std::none_of(keys.begin(), keys.end(), [&](auto k) { return filter.artist_set.count(k); }))
      return false;
  }
  if (filter.albums && !filter.album_set.count(identity_of(i))) return false;
  return true;
}

std::vector<uint32_t> library_view_model::scope() {
  const scope_filter filter = make_filter();
  std::vector<uint32_t> out;
  out.reserve(items_.size());
  for (uint32_t i = 0; i < items_.size(); ++i)
    if (in_scope(filter, i)) out.push_back(i);
  return out;
}

const std::string& library_view_model::identity_of(uint32_t i) {
  std::string& identity = identities_[i];
  if (identity.empty()) {
    item_formatter f(items_[i]);
    album_identity(f, patterns_, items_[i], identity);
  }
  return identity;
}

void library_view_model::add_all_entry(const std::vector<uint32_t>& scope) {
  static constexpr std::string_view label_ids[] = {"ui_view_all_genres", "ui_view_all_artists",
                                                   "ui_view_all_songs"};
  library_view_entry all;
  all.key = std::string(all_key_of(level_));
  all.label = lookup_text(label_ids[int(level_)]);
  all.is_all = true;
  all.first_item = uint32_t(entry_items_.size());
  all.item_count = uint32_t(scope.size());
  entry_items_.insert(entry_items_.end(), scope.begin(), scope.end());
  entries_.push_back(std::move(all));
}

void library_view_model::build_values_level(const std::vector<uint32_t>& scope, bool artists) {
  std::unordered_map<std::string_view, std::vector<uint32_t>> groups;
  std::vector<std::string_view> keys;  // one vector for every track
  // The tracks of an album come together and share their values: the group found last is
  // tried first, which spares most tracks a hash lookup.
  std::string_view last_key;
  std::vector<uint32_t>* last_group = nullptr;
  for (uint32_t i : scope) {
    const auto& s = *items_[i].summary;
    if (artists)
      artist_keys(s, keys);
    else
      genre_keys(s, keys);
    for (std::string_view key : keys) {
      if (!last_group || key != last_key) {
        last_group = &groups[key];
        last_key = key;
      }
      last_group->push_back(i);
    }
  }
  keys.clear();
  keys.reserve(groups.size());
  for (const auto& g : groups) keys.push_back(g.first);
  std::sort(keys.begin(), keys.end(), ordering_less{});
  for (auto key : keys) {
    const auto& members = groups[key];
    library_view_entry e;
    e.key = std::string(key);
    e.label = e.key;
    e.first_item = uint32_t(entry_items_.size());
    e.item_count = uint32_t(members.size());
    entry_items_.insert(entry_items_.end(), members.begin(), members.end());
    entries_.push_back(std::move(e));
  }
}

void library_view_model::build_albums(const std::vector<uint32_t>& scope) {
  if (scope.empty()) return;
  const level_selection& by_artist = selections_[int(view_level::artists)];
  const bool all_artists = by_artist.is_all || by_artist.keys.empty();
  std::unordered_set<std::string_view> selected(by_artist.keys.begin(), by_artist.keys.end());

  struct album {
    std::string_view identity;  // kept in identities_
    std::string order;
    std::string label;
    uint32_t first_member = 0;  // index into scope
    uint32_t member_count = 0;
  };
  std::vector<album> albums;
  std::vector<uint32_t> album_of(scope.size());
  std::unordered_map<std::string_view, uint32_t> by_identity;
  by_identity.reserve(scope.size() / 4);
  for (size_t k = 0; k < scope.size(); ++k) {
    const std::string_view identity = identity_of(scope[k]);
    auto [it, is_new] = by_identity.try_emplace(identity, uint32_t(albums.size()));
    if (is_new) albums.push_back({identity, {}, {}, uint32_t(k), 0});
    album_of[k] = it->second;
    ++albums[it->second].member_count;
  }
  item_formatter f(items_.front());
  for (auto& a : albums) {
    const auto& first = items_[scope[a.first_member]];
    const title_format_script* pattern = &patterns_.album_all_artists;
    if (!all_artists) {
      const auto& s = *first.summary;
      auto owners = split_values(s.column(summary_column::album_artist));
      if (owners.empty()) owners = split_values(s.column(summary_column::artist));
      const bool owned =
          std::any_of(owners.begin(), owners.end(), [&](auto o) { return selected.count(o); });
      pattern = owned ? &patterns_.album_one_artist : &patterns_.album_other_artist;
    }
    const auto [order, label] = split_two_part(f.format(*pattern, first));
    a.order = std::string(order);
    a.label = std::string(label);
  }
  // Ordering texts share long prefixes ("Artist - year"): precomputed sort keys make each
  // comparison a memcmp, as for songs.
  std::string sort_text;
  std::vector<uint32_t> sort_end(albums.size());
  for (size_t k = 0; k < albums.size(); ++k) {
    append_logical_sort_key(sort_text, albums[k].order);
    sort_end[k] = uint32_t(sort_text.size());
  }
  const std::vector<uint32_t> order =
      sorted_order(sort_text, sort_end, [&](uint32_t x, uint32_t y) {
        if (int r = code_unit_compare(albums[x].order, albums[y].order)) return r < 0;
        return ordering_compare(albums[x].identity, albums[y].identity) < 0;
      });
  // Each album's members, in scope order, placed by a counting pass.
  const uint32_t base = uint32_t(entry_items_.size());
  std::vector<uint32_t> next(albums.size());
  uint32_t offset = base;
  for (uint32_t k : order) {
    next[k] = offset;
    offset += albums[k].member_count;
  }
  entry_items_.resize(offset);
  for (size_t k = 0; k < scope.size(); ++k) entry_items_[next[album_of[k]]++] = scope[k];
  entries_.reserve(entries_.size() + albums.size());
  uint32_t first = base;
  for (uint32_t k : order) {
    auto& a = albums[k];
    library_view_entry e;
    e.key = std::string(a.identity);
    e.label = std::move(a.label);
    e.first_item = first;
    e.item_count = a.member_count;
    first += a.member_count;
    entries_.push_back(std::move(e));
  }
}

void library_view_model::build_songs(const std::vector<uint32_t>& scope) {
  if (scope.empty()) return;
  item_formatter f(items_.front());
  // Every key in one block: a hundred thousand small allocations cost more than the sort.
  // The labels too are formatted here, in library order: visiting the summaries in list
  // order afterwards would miss the cache on nearly every one.
  std::string key_text, label_text;
  std::vector<uint32_t> key_end(scope.size()), label_end(scope.size());
  for (size_t k = 0; k < scope.size(); ++k) {
    key_text += f.format(patterns_.song_order, items_[scope[k]]);
    key_end[k] = uint32_t(key_text.size());
    label_text += f.format(patterns_.track_line, items_[scope[k]]);
    label_end[k] = uint32_t(label_text.size());
  }
  auto key = [&](uint32_t k) {
    const uint32_t begin = k ? key_end[k - 1] : 0;
    return std::string_view(key_text).substr(begin, key_end[k] - begin);
  };
  // A hundred thousand songs share long prefixes: precomputed sort keys are sorted byte
  // by byte, several times cheaper than comparing the texts character by character.
  std::string sort_text;
  std::vector<uint32_t> sort_end(scope.size());
  sort_text.reserve(key_text.size() * 4 + scope.size() * 4);
  for (size_t k = 0; k < scope.size(); ++k) {
    append_logical_sort_key(sort_text, key(uint32_t(k)));
    sort_end[k] = uint32_t(sort_text.size());
  }
  const std::vector<uint32_t> order =
      sorted_order(sort_text, sort_end, [&](uint32_t x, uint32_t y) {
        if (int r = code_unit_compare(key(x), key(y))) return r < 0;
        return compare_items_fully(items_[scope[x]], items_[scope[y]]) < 0;
      });
  std::string().swap(sort_text);
  entries_.reserve(order.size());
  entry_items_.reserve(order.size());
  const track_summary* previous = nullptr;
  std::string_view previous_key;
  for (uint32_t k : order) {
    const auto& item = items_[scope[k]];
    // Neighbours with the same eight fields are one song (the same file found twice, or
    // a copy): the first stays. Their song keys must match too, so that untagged files,
    // whose fields are all empty, stay apart by the file names their titles fall back to.
    if (previous && previous_key == key(k) && previous->blob() == item.summary->blob()) continue;
    previous = item.summary.get();
    previous_key = key(k);
    library_view_entry e;
    e.key = std::string(key(k));
    const uint32_t label_begin = k ? label_end[k - 1] : 0;
    e.label = std::string(label_text, label_begin, label_end[k] - label_begin);
    e.first_item = uint32_t(entry_items_.size());
    e.item_count = 1;
    entry_items_.push_back(scope[k]);
    entries_.push_back(std::move(e));
  }
}

void library_view_model::insert_songs(const std::vector<uint32_t>& added) {
  const scope_filter filter = make_filter();
  item_formatter f(items_[added.front()]);
  std::string key;
  for (uint32_t i : added) {
    if (!in_scope(filter, i)) continue;
    const library_view_item& item = items_[i];
    key = f.format(patterns_.song_order, item);
    // The order of a full build (its sort keys order as logical_compare does).
    auto before_new = [&](const library_view_entry& e) {
      if (int r = logical_compare(e.key, key)) return r < 0;
      if (int r = code_unit_compare(e.key, key)) return r < 0;
      return compare_items_fully(items_[entry_items_[e.first_item]], item) < 0;
    };
    const auto at = std::partition_point(entries_.begin(), entries_.end(), before_new);
    const size_t j = size_t(at - entries_.begin());
    auto same_song = [&](size_t e) {
      return entries_[e].key == key &&
             items_[entry_items_[entries_[e].first_item]].summary->blob() == item.summary->blob();
    };
    // Copies sort next to each other and the first stays, as in a full build.
    if (j > 0 && same_song(j - 1)) continue;
    if (j < entries_.size() && same_song(j)) {
      entry_items_[entries_[j].first_item] = i;
      entries_[j].label = f.format(patterns_.track_line, item);
      continue;
    }
    library_view_entry e;
    e.key = key;
    e.label = f.format(patterns_.track_line, item);
    e.first_item = uint32_t(j);
    e.item_count = 1;
    for (size_t k = j; k < entries_.size(); ++k) ++entries_[k].first_item;
    entries_.insert(at, std::move(e));
    entry_items_.insert(entry_items_.begin() + ptrdiff_t(j), i);
  }
}

void library_view_model::rebuild() {
  entries_.clear();
  entry_items_.clear();
  const std::vector<uint32_t> in_scope = scope();
  switch (level_) {
    case view_level::genres:
    case view_level::artists:
      add_all_entry(in_scope);
      build_values_level(in_scope, level_ == view_level::artists);
      break;
    case view_level::albums:
      add_all_entry(in_scope);
      build_albums(in_scope);
      break;
    case view_level::songs: build_songs(in_scope); break;
  }
}

bool library_view_model::choose(const std::vector<size_t>& entry_indices) {
  if (level_ == view_level::songs || entry_indices.empty()) return false;
  for (size_t i : entry_indices)
    if (i >= entries_.size()) return false;
  level_selection sel;
  sel.is_all = std::any_of(entry_indices.begin(), entry_indices.end(),
                           [&](size_t i) { return entries_[i].is_all; });
  if (sel.is_all) {
    for (const auto& e : entries_)
      if (!e.is_all) sel.keys.push_back(e.key);
  } else {
    std::vector<size_t> sorted = entry_indices;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (size_t i : sorted) sel.keys.push_back(entries_[i].key);
  }
  selections_[int(level_)] = std::move(sel);
  level_ = view_level(int(level_) + 1);
  rebuild();
  return true;
}

bool library_view_model::choose_keys(const std::vector<std::string>& keys) {
  std::vector<size_t> chosen;
  const std::string_view all = all_key_of(level_);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const auto& e = entries_[i];
    const bool match = e.is_all ? std::find(keys.begin(), keys.end(), all) != keys.end()
                                : std::find(keys.begin(), keys.end(), e.key) != keys.end();
    if (match) chosen.push_back(i);
  }
  return !chosen.empty() && choose(chosen);
}

void library_view_model::go_to_level(view_level level) {
  if (int(level) >= int(level_)) return;
  for (int l = int(level); l < view_level_count - 1; ++l) selections_[l] = {};
  level_ = level;
  rebuild();
}

bool library_view_model::follow_link(const view_link_target& link) {
  if (link.level < 0 || link.level > int(view_level::albums)) return false;
  go_to_level(view_level(link.level));
  if (int(level_) != link.level) return false;
  return choose_keys({link.key});
}

void library_view_model::replay(const std::vector<std::string>& path) {
  if (level_ != view_level::genres)
    go_to_level(view_level::genres);
  else
    rebuild();
  const size_t count = std::min<size_t>(path.size(), view_level_count);
  for (size_t i = 0; i < count; ++i) {
    const std::string& entry = path[i];
    if (level_ == view_level::songs) break;
    if (entry == all_key_of(level_)) {
      choose({0});
      continue;
    }
    if (choose_keys({entry})) continue;
    std::vector<std::string> parts;
    for (auto k : split_keys(entry)) parts.emplace_back(k);
    if (!choose_keys(parts)) break;
  }
}

std::vector<std::string> library_view_model::navigation_path() const {
  std::vector<std::string> path;
  for (int l = 0; l < int(level_); ++l) {
    const auto& sel = selections_[l];
    path.push_back(sel.is_all ? std::string(all_key_of(view_level(l))) : join_keys(sel.keys));
  }
  return path;
}

view_title library_view_model::title() const {
  view_title t;
  const auto& genres = selections_[0];
  const bool genres_chosen = int(level_) > 0 && !genres.is_all && !genres.keys.empty();
  auto links_of = [](const std::vector<std::string>& keys, int level) {
    std::vector<std::pair<std::string, view_link_target>> links;
    for (const auto& k : keys) links.push_back({k, {level, k}});
    return links;
  };
  const auto genre_links = links_of(genres.keys, 0);
  switch (level_) {
    case view_level::genres: t.append_text(lookup_text("ui_view_all_genres")); break;
    case view_level::artists:
      if (genres_chosen)
        t.append_with_links(lookup_text("ui_view_all_artists_in_genre"), "{genre}", genre_links);
      else
        t.append_text(lookup_text("ui_view_all_artists"));
      break;
    case view_level::albums:
      if (genres_chosen)
        t.append_with_links(lookup_text("ui_view_genre_albums"), "{genre}", genre_links);
      else
        t.append_text(lookup_text("ui_view_all_albums"));
      break;
    case view_level::songs: {
      const auto& albums = selections_[2];
      if (albums.is_all || albums.keys.empty()) {
        if (genres_chosen)
          t.append_with_links(lookup_text("ui_view_genre_songs"), "{genre}", genre_links);
        else
          t.append_text(lookup_text("ui_view_all_songs"));
        break;
      }
      t.append_text(
          lookup_text(albums.keys.size() == 1 ? "ui_view_album_prefix" : "ui_view_albums_prefix"));
      t.append_text(" ");
      std::vector<std::string> artists;
      for (size_t i = 0; i < albums.keys.size(); ++i) {
        const std::string& identity = albums.keys[i];
        const size_t lf = identity.find('\n');
        const std::string artist = identity.substr(0, lf);
        const std::string name = lf == std::string::npos ? identity : identity.substr(lf + 1);
        if (i > 0) t.append_text(key_separator);
        t.append_link(name, {int(view_level::albums), identity});
        if (artist != unknown_key &&
            std::find(artists.begin(), artists.end(), artist) == artists.end())
          artists.push_back(artist);
      }
      if (!artists.empty())
        t.append_with_links(lookup_text("ui_view_artist_suffix_long"), "{artist}",
                            links_of(artists, 1));
      if (genres_chosen)
        t.append_with_links(lookup_text("ui_view_genre_suffix_long"), "{genre}", genre_links);
      break;
    }
  }
  return t;
}

}  // namespace lumo
