#include <array>

#include "meta/crc32.h"
#include "meta/title_format_functions.h"

namespace lumo {
namespace {

struct table_row {
  title_format_function handler;
  std::string_view name;
  bool is_pure;
};

// Order matters: when two names share a hash, the first row wins.
constexpr table_row g_rows[] = {
    {&tf::fn_stripprefix, "stripprefix", true},
    {&tf::fn_swapprefix, "swapprefix", true},
    {&tf::fn_if, "if", true},
    {&tf::fn_if2, "if2", true},
    {&tf::fn_if3, "if3", true},
    {&tf::fn_upper, "upper", true},
    {&tf::fn_lower, "lower", true},
    {&tf::fn_trim, "trim", true},
    {&tf::fn_pad, "pad", true},
    {&tf::fn_pad_right, "pad_right", true},
    {&tf::fn_cut, "cut", true},
    {&tf::fn_padcut, "padcut", true},
    {&tf::fn_padcut_right, "padcut_right", true},
    {&tf::fn_repeat, "repeat", true},
    {&tf::fn_abbr, "abbr", true},
    {&tf::fn_caps, "caps", true},
    {&tf::fn_caps2, "caps2", true},
    {&tf::fn_longest, "longest", true},
    {&tf::fn_shortest, "shortest", true},
    {&tf::fn_iflonger, "iflonger", true},
    {&tf::fn_ifgreater, "ifgreater", true},
    {&tf::fn_ifequal, "ifequal", true},
    {&tf::fn_num, "num", true},
    {&tf::fn_num, "dec", true},
    {&tf::fn_hex, "hex", true},
    {&tf::fn_strchr, "strchr", true},
    {&tf::fn_strchr, "strlchr", true},
    {&tf::fn_strrchr, "strrchr", true},
    {&tf::fn_strstr, "strstr", true},
    {&tf::fn_len, "len", true},
    {&tf::fn_len, "len2", true},
    {&tf::fn_add, "add", true},
    {&tf::fn_sub, "sub", true},
    {&tf::fn_mul, "mul", true},
    {&tf::fn_div, "div", true},
    {&tf::fn_mod, "mod", true},
    {&tf::fn_xor, "xor", true},
    {&tf::fn_and, "and", true},
    {&tf::fn_or, "or", true},
    {&tf::fn_not, "not", true},
    {&tf::fn_filename, "filename", true},
    {&tf::fn_min, "min", true},
    {&tf::fn_max, "max", true},
    {&tf::fn_get, "get", false},
    {&tf::fn_put, "put", false},
    {&tf::fn_puts, "puts", false},
    {&tf::fn_null, "null", true},
    {&tf::fn_replace, "replace", true},
    {&tf::fn_ext, "ext", true},
    {&tf::fn_strcmp, "strcmp", true},
    {&tf::fn_stricmp, "stricmp", true},
    {&tf::fn_rot13, "rot13", true},
    {&tf::fn_roman, "roman", true},
    {&tf::fn_cut, "left", true},
    {&tf::fn_right, "right", true},
    {&tf::fn_char, "char", true},
    {&tf::fn_crlf, "crlf", true},
    {&tf::fn_tab, "tab", true},
    {&tf::fn_substr, "substr", true},
    {&tf::fn_directory, "directory", true},
    {&tf::fn_directory_path, "directory_path", true},
    {&tf::fn_greater, "greater", true},
    {&tf::fn_longer, "longer", true},
    {&tf::fn_progress, "progress", true},
    {&tf::fn_progress2, "progress2", true},
    {&tf::fn_select, "select", true},
    {&tf::fn_rgb, "rgb", true},
    {&tf::fn_hsl, "hsl", true},
    {&tf::fn_blend, "blend", true},
    {&tf::fn_transition, "transition", true},
    {&tf::fn_insert, "insert", true},
    {&tf::fn_muldiv, "muldiv", true},
    {&tf::fn_fix_eol, "fix_eol", true},
    {&tf::fn_ansi, "ansi", true},
    {&tf::fn_ascii, "ascii", true},
    {&tf::fn_crc32, "crc32", true},
    {&tf::fn_year, "year", true},
    {&tf::fn_month, "month", true},
    {&tf::fn_day_of_month, "day_of_month", true},
    {&tf::fn_date, "date", true},
    {&tf::fn_time, "time", true},
};

constexpr size_t function_count = sizeof(g_rows) / sizeof(g_rows[0]);
static_assert(function_count == 81);

// Hashes are computed on first use, once, by a function-local static: lookup then
// compares 32-bit values only.
const std::array<title_format_function_entry, function_count>& table() {
  static const auto entries = [] {
    std::array<title_format_function_entry, function_count> result{};
    for (size_t i = 0; i < function_count; ++i)
      result[i] = {g_rows[i].handler, g_rows[i].name, title_format_name_hash(g_rows[i].name),
                   g_rows[i].is_pure};
    return result;
  }();
  return entries;
}

}  // namespace

uint32_t title_format_name_hash(std::string_view name) {
  // Script names are ASCII letters, digits and "_", so ASCII lower-casing is the whole
  // rule here.
  char lowered[64];
  if (name.size() > sizeof lowered) {
    std::string copy(name);
    for (char& c : copy)
      if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return crc32_ieee(copy);
  }
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    lowered[i] = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
  }
  return crc32_ieee(std::string_view(lowered, name.size()));
}

std::span<const title_format_function_entry> title_format_function_table() {
  return table();
}

const title_format_function_entry* find_title_format_function(std::string_view name) {
  uint32_t hash = title_format_name_hash(name);
  for (const auto& entry : table())
    if (entry.name_hash == hash) return &entry;
  return nullptr;
}

}  // namespace lumo
