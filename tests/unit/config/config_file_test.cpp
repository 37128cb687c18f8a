#include "config/config_file.h"

#include <gtest/gtest.h>

#include "config/config_vars.h"
#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "fs/byte_source.h"

using namespace lumo;

namespace {

constexpr guid id_a{0x20000001u, 0, 0, {2, 0, 0, 0, 0, 0, 0, 1}};
constexpr guid id_b{0x20000002u, 0, 0, {2, 0, 0, 0, 0, 0, 0, 2}};
constexpr guid id_dup{0x20000003u, 0, 0, {2, 0, 0, 0, 0, 0, 0, 3}};
constexpr guid id_unknown{0x2000FFFFu, 0, 0, {2, 0, 0, 0, 0, 0, 0, 9}};

config_int32 g_a{id_a, 1};
config_string g_b{id_b, "b"};
// Two variables with one GUID: the one constructed last heads the read list and wins.
// Equal defaults, so the store's tests in this program still save and reload alike.
config_int32 g_dup_older{id_dup, 10};
config_int32 g_dup_newer{id_dup, 10};

void add_record(std::vector<uint8_t>& payload, const guid& id, std::vector<uint8_t> data) {
  put_guid_le(payload, id);
  put_le(payload, data.size(), 4);
  payload.insert(payload.end(), data.begin(), data.end());
}

void reset_mine() {
  for (config_var* v : std::initializer_list<config_var*>{&g_a, &g_b, &g_dup_older, &g_dup_newer})
    v->reset();
}

config_file_content parse(const std::vector<uint8_t>& bytes) {
  memory_byte_source r(bytes);
  return read_config_file(r, bytes.size(), abort_none());
}

}  // namespace

TEST(ConfigFile, LayoutOfAWrittenFile) {
  std::vector<uint8_t> payload;
  add_record(payload, id_a, {5, 0, 0, 0});
  std::vector<uint8_t> file = encode_config_file(payload, config_integrity_value(payload));

  const uint8_t magic[] = {0xD1, 0x3D, 0x22, 0xB2, 0xC4, 0x15, 0xF5, 0x46,
                           0x80, 0x31, 0x96, 0xE6, 0x92, 0xBC, 0x1E, 0x20};
  ASSERT_EQ(file.size(), 36u + payload.size());
  EXPECT_TRUE(std::equal(magic, magic + 16, file.begin()));
  byte_cursor length(file);
  length.seek(32);
  EXPECT_EQ(length.u32le(), payload.size());
  // MD5 of the fixed prefix alone (empty payload), computed independently.
  md5_hasher h;
  const uint8_t prefix[] = {0x3a, 0x91, 0x5c, 0x07, 0xe2, 0x48, 0xb6, 0x1d,
                            0x70, 0xc9, 0x24, 0xee, 0x85, 0x0f, 0x6b, 0xd3};
  h.update(prefix);
  EXPECT_EQ(config_integrity_value({}), h.finish());

  config_file_content back = parse(file);
  EXPECT_EQ(back.payload, payload);
  EXPECT_EQ(back.integrity, config_integrity_value(payload));

  // Bytes after the payload are ignored.
  file.insert(file.end(), {1, 2, 3});
  EXPECT_EQ(parse(file).payload, payload);
}

TEST(ConfigFile, OnlyShortAllZeroPayloadsAreTrivial) {
  EXPECT_TRUE(is_trivial_config_payload({}));
  const std::vector<uint8_t> four_zeros(4, 0), five_zeros(5, 0), one_set{0, 1};
  EXPECT_TRUE(is_trivial_config_payload(four_zeros));
  EXPECT_FALSE(is_trivial_config_payload(five_zeros));
  EXPECT_FALSE(is_trivial_config_payload(one_set));
}

TEST(ConfigFile, DamagedFilesAreRejected) {
  std::vector<uint8_t> payload;
  add_record(payload, id_a, {5, 0, 0, 0});
  const std::vector<uint8_t> good = encode_config_file(payload, config_integrity_value(payload));
  const std::string generic = sonatrix_io::exception_io_data().message();

  auto message_of = [](const std::vector<uint8_t>& bytes) -> std::string {
    try {
      parse(bytes);
    } catch (const sonatrix_io::exception_io_data& e) {
      return e.message();
    }
    return "no failure";
  };

  // The generic text, then where the damage is, in the user's words.
  EXPECT_EQ(message_of(std::vector<uint8_t>(good.begin(), good.begin() + 20)),
            generic + " (configuration file at byte 0: shorter than its header)");
  std::vector<uint8_t> bad_magic = good;
  bad_magic[3] ^= 0x01;
  EXPECT_EQ(message_of(bad_magic),
            generic + " (configuration file at byte 0: not a configuration file)");
  const std::string long_text =
      generic + " (configuration file at byte 32: payload length past the end of the file)";
  std::vector<uint8_t> long_n = good;
  long_n[32] = static_cast<uint8_t>(payload.size() + 1);
  EXPECT_EQ(message_of(long_n), long_text);
  std::vector<uint8_t> huge_n = good;
  huge_n[35] = 0xFF;
  EXPECT_EQ(message_of(huge_n), long_text);
  for (size_t i = 36; i < good.size(); ++i) {
    std::vector<uint8_t> flipped = good;
    flipped[i] ^= 0x40;
    EXPECT_EQ(message_of(flipped), "Corrupted configuration file") << i;
  }
  // A header cut short after the size check is a truncation.
  EXPECT_THROW(parse(std::vector<uint8_t>(good.begin(), good.begin() + 30)),
               sonatrix_io::exception_io_data_truncation);
}

TEST(ConfigFile, RecordsAreMatchedByGuidAndSkippedSafely) {
  reset_mine();
  std::vector<uint8_t> payload;
  add_record(payload, id_unknown, {1, 2, 3, 4, 5, 6, 7});
  // Over-long: the variable reads 4 bytes, the rest of the record is skipped.
  add_record(payload, id_a, {42, 0, 0, 0, 0xEE, 0xEE});
  add_record(payload, id_unknown, {});
  add_record(payload, id_dup, {99, 0, 0, 0});
  add_record(payload, id_b, {'x', 'y'});
  // Fewer than 16 trailing bytes end the payload.
  payload.insert(payload.end(), {0, 0, 0});
  apply_config_payload(payload, abort_none());
  EXPECT_EQ(g_a.get(), 42);
  EXPECT_EQ(g_b.get(), "xy");
  EXPECT_EQ(g_dup_newer.get(), 99);
  EXPECT_EQ(g_dup_older.get(), 10);
  reset_mine();
}

TEST(ConfigFile, AVariableReadingPastItsRecordFailsTheLoad) {
  reset_mine();
  std::vector<uint8_t> payload;
  add_record(payload, id_b, {'o', 'k'});
  add_record(payload, id_a, {7, 0});  // an int32 in 2 bytes
  add_record(payload, id_dup, {99, 0, 0, 0});
  EXPECT_THROW(apply_config_payload(payload, abort_none()),
               sonatrix_io::exception_io_data_truncation);
  // What was read before the failure stays, the rest keeps its defaults.
  EXPECT_EQ(g_b.get(), "ok");
  EXPECT_EQ(g_a.get(), 1);
  EXPECT_EQ(g_dup_newer.get(), 10);

  // A length running past the payload's end reaches the variable cut short.
  reset_mine();
  std::vector<uint8_t> cut;
  put_guid_le(cut, id_a);
  put_le(cut, 4, 4);
  cut.insert(cut.end(), {9, 0});
  EXPECT_THROW(apply_config_payload(cut, abort_none()), sonatrix_io::exception_io_data_truncation);
  reset_mine();
}
