#include "config/config_vars.h"

#include <gtest/gtest.h>

#include "config/byte_stream.h"
#include "config/config_file.h"
#include "core/exceptions.h"
#include "fs/byte_source.h"

using namespace lumo;

namespace {

struct replay_settings {
  uint32_t source;
  float preamp_db;
};

// One variable of every kind; they take part in every save of this test program.
config_bool g_flag{{0x10000001u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 1}}, true};
config_int32 g_count{{0x10000002u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 2}}, -7};
config_guid g_theme{{0x10000003u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 3}}};
config_string g_pattern{{0x10000004u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 4}}, "%title%"};
config_window_position g_window{{0x10000005u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 5}}};
config_font g_font{{0x10000006u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 6}}};
config_blob g_folders{{0x10000007u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 7}}};
config_struct<replay_settings> g_replay{{0x10000008u, 0, 0, {1, 0, 0, 0, 0, 0, 0, 8}}, {2, 0.0f}};

std::vector<uint8_t> record_of(const config_var& var) {
  vector_writer w;
  var.write_value(w, abort_none());
  return w.take();
}

void reset_all() {
  for (config_var* v = config_read_list(); v; v = v->next_read()) v->reset();
}

}  // namespace

TEST(ConfigVars, DefaultsAndEncodings) {
  reset_all();
  EXPECT_TRUE(g_flag.get());
  EXPECT_EQ(g_count.get(), -7);
  EXPECT_EQ(g_theme.get(), guid{});
  EXPECT_EQ(g_pattern.get(), "%title%");
  EXPECT_EQ(g_window.get(), (window_position{0, -1, -1, INT32_MIN, INT32_MIN}));
  EXPECT_TRUE(g_font.is_default());
  EXPECT_NE(g_font.get().face_name[0], 0);

  EXPECT_EQ(record_of(g_flag), std::vector<uint8_t>{1});
  EXPECT_EQ(record_of(g_count), (std::vector<uint8_t>{0xF9, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(record_of(g_theme), std::vector<uint8_t>(16, 0));
  // Text: the bytes alone, no length and no terminator.
  EXPECT_EQ(record_of(g_pattern), (std::vector<uint8_t>{'%', 't', 'i', 't', 'l', 'e', '%'}));
  EXPECT_EQ(record_of(g_window),
            (std::vector<uint8_t>{0,    0,    0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                  0xFF, 0xFF, 0, 0, 0,    0x80, 0,    0,    0,    0x80}));
  EXPECT_EQ(record_of(g_font).size(), logical_font_size_bytes);
  EXPECT_TRUE(record_of(g_folders).empty());

  g_theme.set({0x1DE8F186u, 0x735F, 0x4F81, {0xB6, 0x87, 0x43, 0x0C, 0x92, 0x99, 0x3A, 0x15}});
  EXPECT_EQ(record_of(g_theme),
            (std::vector<uint8_t>{0x86, 0xF1, 0xE8, 0x1D, 0x5F, 0x73, 0x81, 0x4F, 0xB6, 0x87, 0x43,
                                  0x0C, 0x92, 0x99, 0x3A, 0x15}));
  reset_all();
}

TEST(ConfigVars, EveryKindSurvivesARoundTrip) {
  reset_all();
  const guid theme{0x1DE8F186u, 0x735F, 0x4F81, {0xB6, 0x87, 0x43, 0x0C, 0x92, 0x99, 0x3A, 0x15}};
  logical_font font;
  font.height = -15;
  font.weight = 700;
  font.italic = 1;
  font.face_name[0] = u'T';
  font.face_name[1] = u'\u00E9';

  g_flag.set(false);
  g_count.set(INT32_MIN);
  g_theme.set(theme);
  g_pattern.set("caf\xC3\xA9 & \r\n;");
  g_window.set({2, 640, 480, 10, -20});
  g_font.set(font);
  g_folders.set({0, 1, 2, 0xFF, 0});
  g_replay.set({1, -6.5f});

  std::vector<uint8_t> payload = build_config_payload(abort_none());
  reset_all();
  ASSERT_TRUE(g_flag.get());
  apply_config_payload(payload, abort_none());

  EXPECT_FALSE(g_flag.get());
  EXPECT_EQ(g_count.get(), INT32_MIN);
  EXPECT_EQ(g_theme.get(), theme);
  EXPECT_EQ(g_pattern.get(), "caf\xC3\xA9 & \r\n;");
  EXPECT_EQ(g_window.get(), (window_position{2, 640, 480, 10, -20}));
  EXPECT_FALSE(g_font.is_default());
  EXPECT_EQ(g_font.get(), font);
  EXPECT_EQ(g_folders.get(), (std::vector<uint8_t>{0, 1, 2, 0xFF, 0}));
  EXPECT_EQ(g_replay.get().source, 1u);
  EXPECT_EQ(g_replay.get().preamp_db, -6.5f);

  // An empty text survives too (a record of length 0).
  g_pattern.set("");
  payload = build_config_payload(abort_none());
  reset_all();
  apply_config_payload(payload, abort_none());
  EXPECT_EQ(g_pattern.get(), "");
  reset_all();
}

TEST(ConfigVars, ShortRecordsFailAsTruncation) {
  // Each fixed-size kind given one byte less than it needs.
  struct fixed_case {
    config_var* var;
    size_t size_bytes;
  };
  const fixed_case cases[] = {{&g_flag, 1},
                              {&g_count, 4},
                              {&g_theme, 16},
                              {&g_window, 20},
                              {&g_font, logical_font_size_bytes},
                              {&g_replay, sizeof(replay_settings)}};
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes(c.size_bytes - 1, 0x5A);
    memory_byte_source r(bytes);
    EXPECT_THROW(c.var->read_value(r, bytes.size(), abort_none()),
                 sonatrix_io::exception_io_data_truncation)
        << c.size_bytes;
  }
  reset_all();
}
