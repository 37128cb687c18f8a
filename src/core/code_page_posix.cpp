#include "core/code_page.h"

#include <errno.h>
#include <iconv.h>

#include "core/unicode.h"

namespace lumo {
namespace {

// One iconv pass; characters the target cannot hold become "?" (one per character).
std::string convert(const std::string& input, const char* to, const char* from,
                    bool source_is_utf8) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return input;
  std::string output;
  char buffer[256];
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  while (in_left > 0) {
    char* out = buffer;
    size_t out_left = sizeof buffer;
    size_t result = iconv(cd, &in, &in_left, &out, &out_left);
    output.append(buffer, size_t(out - buffer));
    if (result != size_t(-1)) continue;
    if (errno == E2BIG) continue;
    // Unconvertible or invalid: replace one source character and go on.
    output.push_back('?');
    size_t pos = size_t(in - input.data());
    size_t next = pos;
    utf8_next(input, next);
    if (!source_is_utf8) next = pos + 1;
    in_left -= next - pos;
    in += next - pos;
  }
  iconv_close(cd);
  return output;
}

}  // namespace

std::string round_trip_code_page(std::string_view text, legacy_code_page page) {
  const char* code_page = page == legacy_code_page::us_ascii ? "ASCII" : "CP1252";
  // Decode and re-encode first so that invalid UTF-8 arrives as U+FFFD.
  std::string clean = utf16_to_utf8(utf8_to_utf16(text));
  std::string narrow = convert(clean, code_page, "UTF-8", true);
  return convert(narrow, "UTF-8", code_page, false);
}

}  // namespace lumo
