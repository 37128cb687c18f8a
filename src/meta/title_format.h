#pragma once
// Title formatting: a small script language that turns a track's fields into display
// text ("[[%discnumber%.]%tracknumber%. ]%title%"). A script is compiled once into an
// immutable tree and evaluated many times, possibly on several threads at once; each
// evaluation owns its output, context and variables.
//
// Evaluation never allocates beyond the output's growth for scripts made of literals,
// fields and conditional blocks: functions evaluate their arguments straight into the
// caller's output, read them back from a mark and cut the output back to it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo {

enum class special_field : uint8_t;

// The text sink every node writes to. It caps its own length so that scripts that
// multiply text (nested $replace, $transition) stay bounded; appends past the cap are cut.
class title_format_output {
 public:
  static constexpr size_t default_max_bytes = size_t{1} << 20;

  explicit title_format_output(std::string& text, size_t max_bytes = default_max_bytes)
      : text_(text), max_bytes_(max_bytes) {}

  void append(std::string_view text) {
    if (text_.size() + text.size() > max_bytes_) return append_capped(text);
    text_.append(text);
  }
  // length -1 means zero-terminated.
  void append(const char* text, ptrdiff_t length);
  void append_char(char c) {
    if (text_.size() < max_bytes_) text_.push_back(c);
  }
  void append_repeated(std::string_view text, size_t count);

  size_t mark() const { return text_.size(); }
  void truncate(size_t mark) {
    if (mark < text_.size()) text_.resize(mark);
  }
  std::string_view read() const { return text_; }
  std::string_view read_from(size_t mark) const {
    return std::string_view(text_).substr(std::min(mark, text_.size()));
  }
  // Replaces everything from mark on with the text written after `end`: a function
  // evaluates an argument, writes its result behind it, then drops the argument.
  void collapse(size_t mark, size_t end) {
    if (end > mark && end <= text_.size()) text_.erase(mark, end - mark);
  }
  bool is_full() const { return text_.size() >= max_bytes_; }

 private:
  void append_capped(std::string_view text);

  std::string& text_;
  size_t max_bytes_;
};

// Whether a provider's text is a tag value or other text (numbers, paths).
enum class title_format_text_kind { meta, other };

// Filters what field providers write. The default replaces every byte below 0x20 with
// "_", so a value can never carry a line break, a tab or the colour marker 0x03.
class title_format_text_filter {
 public:
  virtual ~title_format_text_filter() = default;
  virtual void write(title_format_output& out, std::string_view text,
                     title_format_text_kind kind) const;
};

// Index of the first byte at or after `from` that is below 0x20 or equal to `extra`;
// npos when none. Views run every value of every row through here, so it looks at
// eight bytes at a time.
inline size_t find_control_byte(std::string_view text, size_t from, unsigned char extra = 0) {
  constexpr uint64_t ones = 0x0101010101010101u;
  constexpr uint64_t highs = 0x8080808080808080u;
  const uint64_t extras = ones * extra;
  // True when some byte of the word is below 0x20 or equal to extra (never a false
  // negative; a hit is then located byte by byte).
  auto has_hit = [&](uint64_t v) {
    uint64_t x = v ^ extras;
    return (((v - ones * 0x20) & ~v) | ((x - ones) & ~x)) & highs;
  };
  size_t i = from;
  if (text.size() >= 8 && i < text.size()) {
    for (; i + 8 <= text.size(); i += 8) {
      uint64_t v;
      std::memcpy(&v, text.data() + i, 8);
      if (has_hit(v)) break;
    }
    if (i + 8 > text.size() && i < text.size()) {
      // The tail: look at the last eight bytes, overlapping ones already seen clean.
      uint64_t v;
      std::memcpy(&v, text.data() + text.size() - 8, 8);
      if (!has_hit(v)) return std::string_view::npos;
    }
  }
  for (; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == extra) return i;
  }
  return std::string_view::npos;
}

// True when no byte of text is below 0x20 or equal to `extra`: the text can be written as
// it is. Faster than find_control_byte on the short values views are made of.
inline bool is_plain_text(std::string_view text, unsigned char extra) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  if (n >= 8) {
    constexpr uint64_t ones = 0x0101010101010101u;
    const uint64_t extras = ones * extra;
    uint64_t hits = 0;
    // The last word overlaps bytes already seen, which does no harm.
    for (size_t i = 0;; i += 8) {
      if (i + 8 > n) i = n - 8;
      uint64_t v;
      std::memcpy(&v, p + i, 8);
      uint64_t x = v ^ extras;
      hits |= ((v - ones * 0x20) & ~v) | ((x - ones) & ~x);
      if (i + 8 == n) break;
    }
    return (hits & (ones * 0x80)) == 0;
  }
  if (n >= 4) {
    constexpr uint32_t ones = 0x01010101u;
    const uint32_t extras = ones * extra;
    uint32_t head, tail;
    std::memcpy(&head, p, 4);
    std::memcpy(&tail, p + n - 4, 4);
    uint32_t xh = head ^ extras, xt = tail ^ extras;
    uint32_t hits = ((head - ones * 0x20) & ~head) | ((xh - ones) & ~xh) |
                    ((tail - ones * 0x20) & ~tail) | ((xt - ones) & ~xt);
    return (hits & (ones * 0x80)) == 0;
  }
  for (size_t i = 0; i < n; ++i)
    if (p[i] < 0x20 || p[i] == extra) return false;
  return true;
}

// What the default filter does, callable without a virtual call.
inline void write_filtered_default(title_format_output& out, std::string_view text) {
  size_t run = 0;
  for (size_t i = find_control_byte(text, 0); i != std::string_view::npos;
       i = find_control_byte(text, i + 1)) {
    out.append(text.substr(run, i - run));
    out.append_char('_');
    run = i + 1;
  }
  out.append(text.substr(run));
}

// What the default filter does to text holding several values joined by "; " (library
// columns): the values are shown joined by ", ". One pass finds both the separators and
// the bytes the filter replaces.
void write_filtered_values_default(title_format_output& out, std::string_view text);

const title_format_text_filter& default_text_filter();

// What a field provider writes to: the caller's output behind the text filter.
class title_format_field_output {
 public:
  title_format_field_output(title_format_output& out, const title_format_text_filter& filter)
      : out_(out), filter_(filter), is_default_filter_(&filter == &default_text_filter()) {}
  title_format_field_output(title_format_output& out, const title_format_text_filter& filter,
                            bool is_default_filter)
      : out_(out), filter_(filter), is_default_filter_(is_default_filter) {}
  void write(std::string_view text, title_format_text_kind kind = title_format_text_kind::meta) {
    // Every row of a view goes through here; skip the virtual call in the common case.
    if (is_default_filter_)
      write_filtered_default(out_, text);
    else
      filter_.write(out_, text, kind);
  }
  title_format_output& raw() { return out_; }
  bool has_default_filter() const { return is_default_filter_; }

 private:
  title_format_output& out_;
  const title_format_text_filter& filter_;
  bool is_default_filter_;
};

class title_format_args;

// A known field's value as a provider hands it out without writing it, so that a script
// can take all its fields in one call (title_format_hook::resolve_known_fields).
struct title_format_field_value {
  enum class kind : uint8_t {
    unresolved,  // the provider writes this one itself, through process_known_field
    unknown,     // the provider does not know the field: "?", not found
    missing,     // a known field without a value: "?", not found
    text,        // the text, filtered; found
    values,      // text holding values joined by "; ", shown joined by ", "; found
  };
  kind value_kind = kind::unresolved;
  std::string_view prefix;  // written as is before the text (a track number's leading zero)
  std::string_view text;    // borrowed from the provider's track; valid during the evaluation
};

// The field provider a script is evaluated against.
class title_format_hook {
 public:
  virtual ~title_format_hook() = default;
  // Writes the field's text and sets found; false when the name is unknown here (the
  // script then shows "?").
  virtual bool process_field(title_format_field_output& out, std::string_view name,
                             bool& found) = 0;
  // The same, with the name's id among the fields every provider may know (resolved once
  // when the script was compiled), so that a provider need not match the text again.
  virtual bool process_known_field(title_format_field_output& out, std::string_view name,
                                   special_field known, bool& found) {
    (void)known;
    return process_field(out, name, found);
  }
  // Resolves `count` known fields at once into values[0..count), for scripts made only of
  // fields, literals and blocks, evaluated with the default text filter: one call per
  // evaluation instead of one per field. False when the provider does not do this (every
  // field then goes through process_known_field).
  virtual bool resolve_known_fields(const special_field* fields, size_t count,
                                    title_format_field_value* values) {
    (void)fields;
    (void)count;
    (void)values;
    return false;
  }
  // Lets a provider run functions that are not built in; false when it has none by that
  // name (the script then shows "[UNKNOWN FUNCTION]").
  virtual bool process_function(title_format_field_output& out, std::string_view name,
                                title_format_args& args, bool& found) = 0;
};

// A provider that knows nothing: used for constant folding and as a base for providers
// that only add fields.
class title_format_null_hook : public title_format_hook {
 public:
  bool process_field(title_format_field_output&, std::string_view, bool&) override { return false; }
  bool process_function(title_format_field_output&, std::string_view, title_format_args&,
                        bool&) override {
    return false;
  }
};

// Per-evaluation state: provider, text filter, and the variables of $put/$puts/$get.
struct title_format_context {
  title_format_hook* hook = nullptr;
  const title_format_text_filter* filter = nullptr;
  // Name and value pairs, allocated only when a script stores a variable.
  std::vector<std::pair<std::string, std::string>> variables;
  bool is_default_filter = false;  // filter is default_text_filter()
};

class title_format_node;
using title_format_node_ptr = std::shared_ptr<const title_format_node>;

// The arguments of one call, unevaluated. A function evaluates each as often as it
// needs; an index past the end evaluates to nothing and false.
class title_format_args {
 public:
  title_format_args(const std::vector<title_format_node_ptr>& nodes, title_format_context& context)
      : nodes_(nodes), context_(context) {}
  size_t count() const { return nodes_.size(); }
  bool evaluate(size_t index, title_format_output& out) const;
  title_format_context& context() const { return context_; }

 private:
  const std::vector<title_format_node_ptr>& nodes_;
  title_format_context& context_;
};

// One node of a compiled script.
class title_format_node {
 public:
  virtual ~title_format_node() = default;
  virtual bool evaluate(title_format_context& context, title_format_output& out) const = 0;
  virtual bool is_constant() const = 0;
  // The node that replaces this one after constant folding: a literal when constant.
  virtual title_format_node_ptr fold(const title_format_node_ptr& self) const;
};

// A compiled script: immutable, cheap to copy, shareable across threads.
class title_format_script {
 public:
  title_format_script() = default;
  // Parses text up to its first zero byte and folds constants. Never fails: parsing
  // stops at the first point it cannot make sense of and keeps what it built.
  static title_format_script compile(std::string_view text);

  // Appends the formatted text to out; returns the found flag.
  bool evaluate(title_format_hook& hook, title_format_output& out,
                const title_format_text_filter* filter = nullptr) const;
  // Convenience: the formatted text alone.
  std::string format(title_format_hook& hook, bool* found = nullptr) const;

  const title_format_node_ptr& root() const { return root_; }

 private:
  explicit title_format_script(title_format_node_ptr root) : root_(std::move(root)) {}
  title_format_node_ptr root_;
};

}  // namespace lumo
