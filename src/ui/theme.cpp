#include "ui/theme.h"

#include "config/config_vars.h"

namespace lumo {

namespace {

constexpr guid classic_id{
    0x8321ee01u, 0x0e2f, 0x4cdd, {0x99, 0x88, 0x2c, 0xfa, 0xda, 0x2c, 0xed, 0x4c}};

config_guid g_theme{{0x1de8f186u, 0x735f, 0x4f81, {0xb6, 0x87, 0x43, 0x0c, 0x92, 0x99, 0x3a, 0x15}},
                    classic_id};

}  // namespace

const std::array<theme_entry, 4> all_themes{{
    {theme_kind::classic, classic_id, "theme_classic"},
    {theme_kind::black,
     {0xf96de72eu, 0xa4f1, 0x41a2, {0x87, 0x86, 0x6e, 0x72, 0x22, 0x85, 0x48, 0x77}},
     "theme_black"},
    {theme_kind::white,
     {0x3ca390b0u, 0x28df, 0x4c27, {0xb1, 0xd1, 0x49, 0xe3, 0x6e, 0xb9, 0x8e, 0xba}},
     "theme_white"},
    {theme_kind::graphite,
     {0xbe388481u, 0x626b, 0x4d05, {0xad, 0xdd, 0x99, 0x43, 0x47, 0x4d, 0x23, 0x95}},
     "theme_graphite"},
}};

theme_kind theme_from_guid(const guid& id) {
  for (const theme_entry& t : all_themes)
    if (t.id == id) return t.kind;
  return theme_kind::classic;
}

const guid& theme_guid(theme_kind kind) {
  for (const theme_entry& t : all_themes)
    if (t.kind == kind) return t.id;
  return classic_id;
}

int32_t mul_div(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t n = int64_t(a) * b;
  int64_t d = c;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  const int64_t q = n >= 0 ? (n + d / 2) / d : (n - d / 2) / d;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return int32_t(q);
}

colour classic_highlight(colour highlight, colour window) {
  colour out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int32_t h = int32_t((highlight >> shift) & 0xff);
    const int32_t w = int32_t((window >> shift) & 0xff);
    out |= colour(h + mul_div(w - h, 50, 100)) << shift;
  }
  return out;
}

colour_set colours_for(theme_kind kind, const system_colours& system) {
  switch (kind) {
    case theme_kind::black: return {0xffffff, 0xff6060, 0x000000, 0xc00000};
    case theme_kind::white: return {0x000000, 0xff0000, 0xffffff, 0xff8000};
    case theme_kind::graphite: return {0x000000, 0xc00000, 0xa0a0a0, 0xff8000};
    case theme_kind::classic: break;
  }
  return {system.window_text, 0xff0000, system.window,
          classic_highlight(system.highlight, system.window)};
}

theme_kind current_theme() {
  return theme_from_guid(g_theme.get());
}

void set_current_theme(theme_kind kind) {
  g_theme.set(theme_guid(kind));
}

}  // namespace lumo
