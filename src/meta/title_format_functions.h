#pragma once
// The built-in functions of title formatting and the helpers they share. Internal to
// the meta module: scripts reach the functions only through the compiler's lookup.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "meta/title_format.h"

namespace lumo {

// A function's handler: evaluates what it needs of args into out and returns the
// found flag.
using title_format_function = bool (*)(const title_format_args& args, title_format_output& out);

struct title_format_function_entry {
  title_format_function handler;
  std::string_view name;
  uint32_t name_hash;
  bool is_pure;
};

// The table in lookup order (first entry wins when two names share a hash).
std::span<const title_format_function_entry> title_format_function_table();

// CRC-32 of the name after lower-casing; how calls are matched to the table.
uint32_t title_format_name_hash(std::string_view name);

// The first table entry whose hash equals the name's; null when none. Names themselves
// are not compared.
const title_format_function_entry* find_title_format_function(std::string_view name);

// The handlers, grouped by topic in their own files.
namespace tf {

bool fn_if(const title_format_args&, title_format_output&);
bool fn_if2(const title_format_args&, title_format_output&);
bool fn_if3(const title_format_args&, title_format_output&);
bool fn_iflonger(const title_format_args&, title_format_output&);
bool fn_ifgreater(const title_format_args&, title_format_output&);
bool fn_ifequal(const title_format_args&, title_format_output&);
bool fn_select(const title_format_args&, title_format_output&);
bool fn_and(const title_format_args&, title_format_output&);
bool fn_or(const title_format_args&, title_format_output&);
bool fn_xor(const title_format_args&, title_format_output&);
bool fn_not(const title_format_args&, title_format_output&);
bool fn_greater(const title_format_args&, title_format_output&);
bool fn_longer(const title_format_args&, title_format_output&);
bool fn_strcmp(const title_format_args&, title_format_output&);
bool fn_stricmp(const title_format_args&, title_format_output&);
bool fn_null(const title_format_args&, title_format_output&);
bool fn_add(const title_format_args&, title_format_output&);
bool fn_sub(const title_format_args&, title_format_output&);
bool fn_mul(const title_format_args&, title_format_output&);
bool fn_div(const title_format_args&, title_format_output&);
bool fn_mod(const title_format_args&, title_format_output&);
bool fn_min(const title_format_args&, title_format_output&);
bool fn_max(const title_format_args&, title_format_output&);
bool fn_muldiv(const title_format_args&, title_format_output&);
bool fn_num(const title_format_args&, title_format_output&);
bool fn_hex(const title_format_args&, title_format_output&);
bool fn_roman(const title_format_args&, title_format_output&);
bool fn_char(const title_format_args&, title_format_output&);
bool fn_crc32(const title_format_args&, title_format_output&);
bool fn_get(const title_format_args&, title_format_output&);
bool fn_put(const title_format_args&, title_format_output&);
bool fn_puts(const title_format_args&, title_format_output&);

bool fn_upper(const title_format_args&, title_format_output&);
bool fn_lower(const title_format_args&, title_format_output&);
bool fn_caps(const title_format_args&, title_format_output&);
bool fn_caps2(const title_format_args&, title_format_output&);
bool fn_trim(const title_format_args&, title_format_output&);
bool fn_pad(const title_format_args&, title_format_output&);
bool fn_pad_right(const title_format_args&, title_format_output&);
bool fn_padcut(const title_format_args&, title_format_output&);
bool fn_padcut_right(const title_format_args&, title_format_output&);
bool fn_cut(const title_format_args&, title_format_output&);
bool fn_right(const title_format_args&, title_format_output&);
bool fn_substr(const title_format_args&, title_format_output&);
bool fn_insert(const title_format_args&, title_format_output&);
bool fn_replace(const title_format_args&, title_format_output&);
bool fn_repeat(const title_format_args&, title_format_output&);
bool fn_abbr(const title_format_args&, title_format_output&);
bool fn_len(const title_format_args&, title_format_output&);
bool fn_longest(const title_format_args&, title_format_output&);
bool fn_shortest(const title_format_args&, title_format_output&);
bool fn_strchr(const title_format_args&, title_format_output&);
bool fn_strrchr(const title_format_args&, title_format_output&);
bool fn_strstr(const title_format_args&, title_format_output&);
bool fn_rot13(const title_format_args&, title_format_output&);
bool fn_ansi(const title_format_args&, title_format_output&);
bool fn_ascii(const title_format_args&, title_format_output&);
bool fn_fix_eol(const title_format_args&, title_format_output&);
bool fn_crlf(const title_format_args&, title_format_output&);
bool fn_tab(const title_format_args&, title_format_output&);
bool fn_stripprefix(const title_format_args&, title_format_output&);
bool fn_swapprefix(const title_format_args&, title_format_output&);

bool fn_filename(const title_format_args&, title_format_output&);
bool fn_ext(const title_format_args&, title_format_output&);
bool fn_directory(const title_format_args&, title_format_output&);
bool fn_directory_path(const title_format_args&, title_format_output&);
bool fn_year(const title_format_args&, title_format_output&);
bool fn_month(const title_format_args&, title_format_output&);
bool fn_day_of_month(const title_format_args&, title_format_output&);
bool fn_date(const title_format_args&, title_format_output&);
bool fn_time(const title_format_args&, title_format_output&);

bool fn_rgb(const title_format_args&, title_format_output&);
bool fn_hsl(const title_format_args&, title_format_output&);
bool fn_blend(const title_format_args&, title_format_output&);
bool fn_transition(const title_format_args&, title_format_output&);
bool fn_progress(const title_format_args&, title_format_output&);
bool fn_progress2(const title_format_args&, title_format_output&);

// Shared helpers.

// Leading optional sign and decimal digits; no digits gives 0; saturates at the limits.
int64_t parse_number(std::string_view text);
void write_number(title_format_output& out, int64_t value);

// Evaluates argument index and returns it as a number, leaving out unchanged.
int64_t eval_number(const title_format_args& args, size_t index, title_format_output& out,
                    bool* found = nullptr);

// Evaluates argument index into out and returns where it starts; the text is
// out.read_from(start) until something else is written.
struct evaluated_arg {
  size_t start;
  size_t end;
  bool found;
};
evaluated_arg eval_arg(const title_format_args& args, size_t index, title_format_output& out);

// Evaluates argument index and returns a copy of its text; for functions that need
// several texts at once.
std::string eval_string(const title_format_args& args, size_t index, title_format_output& out,
                        bool* found = nullptr);

// Number of code points and the byte offset of code point `chars` (clamped to the end).
size_t utf8_length(std::string_view text);
size_t utf8_offset(std::string_view text, size_t chars);

// Keeps bytes [from, to) of out's text and moves them to mark, dropping the rest after
// mark.
void keep_range(title_format_output& out, size_t mark, size_t from, size_t to);

}  // namespace tf
}  // namespace lumo
