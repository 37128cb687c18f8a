#include "config/config_dat_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/config_file.h"
#include "config/config_vars.h"
#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/file_system.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

namespace {

config_int32 g_volume{{0x30000001u, 0, 0, {3, 0, 0, 0, 0, 0, 0, 1}}, 0};
config_string g_format{{0x30000002u, 0, 0, {3, 0, 0, 0, 0, 0, 0, 2}}, "%title%"};

// Records what the load-failure question was asked and answers as told.
struct question_log {
  static inline std::vector<std::string> asked;
  static inline bool answer_ok = true;
  static bool answer(const std::string& text) {
    asked.push_back(text);
    return answer_ok;
  }
};

// A store on a fresh profile folder, every variable at its default.
class ConfigStore : public ::testing::Test {
 protected:
  void SetUp() override {
    for (config_var* v = config_read_list(); v; v = v->next_read()) v->reset();
    question_log::asked.clear();
    question_log::answer_ok = true;
    set_ok_cancel_hook_for_tests(&question_log::answer);
    configure(false);
  }
  void TearDown() override {
    set_ok_cancel_hook_for_tests(nullptr);
    configure_config_dat_store({});
  }

  void configure(bool is_read_only, prompt_mode prompt = prompt_mode::ask) {
    configure_config_dat_store({profile_folder(), is_read_only, prompt});
  }
  // The native path without its trailing separator.
  std::string profile_folder() const { return folder_.url().substr(7, folder_.url().size() - 8); }
  std::string config_url() const { return folder_ / "config.dat"; }
  bool config_exists() const { return find_file_system(config_url()).exists(config_url()); }

  test_folder folder_;
  service_singleton<config_dat_store> store_;
};

}  // namespace

TEST_F(ConfigStore, SaveThenLoadRestoresValues) {
  EXPECT_EQ(config_dat_url(), config_url());
  g_volume.set(-12);
  g_format.set("%artist% - %title%");
  store_.save(false);
  ASSERT_TRUE(config_exists());
  EXPECT_FALSE(find_file_system(config_url()).exists(config_url() + ".tmp"));

  g_volume.reset();
  g_format.reset();
  configure(false);  // as at the next start
  store_.load();
  EXPECT_EQ(g_volume.get(), -12);
  EXPECT_EQ(g_format.get(), "%artist% - %title%");
  EXPECT_TRUE(question_log::asked.empty());

  // The folder given with its separator already in place gets no second one.
  configure_config_dat_store({folder_.url().substr(7), false, prompt_mode::ask});
  EXPECT_EQ(config_dat_url(), config_url());
}

TEST_F(ConfigStore, MissingFileKeepsDefaultsWithoutAsking) {
  g_volume.set(-3);  // left from before: load must not touch it
  store_.load();
  EXPECT_EQ(g_volume.get(), -3);
  EXPECT_EQ(g_format.get(), "%title%");
  EXPECT_TRUE(question_log::asked.empty());
  EXPECT_EQ(config_last_integrity_value(), md5_digest{});
}

TEST_F(ConfigStore, DamagedFilesAskWhetherToContinue) {
  g_volume.set(5);
  store_.save_now();
  const std::string good = read_whole_file(config_url());
  std::string flipped = good;
  flipped[good.size() - 1] ^= 0x01;
  std::string long_n = good;
  long_n[32] = static_cast<char>(long_n[32] + 1);
  std::string bad_magic = good;
  bad_magic[0] = 'X';

  const std::string generic = sonatrix_io::exception_io_data().message();
  struct damaged_case {
    std::string content;
    std::string error_text;
  };
  const damaged_case cases[] = {
      {good.substr(0, 20), generic + " (configuration file at byte 0: shorter than its header)"},
      {bad_magic, generic + " (configuration file at byte 0: not a configuration file)"},
      {long_n,
       generic + " (configuration file at byte 32: payload length past the end of the file)"},
      {flipped, "Corrupted configuration file"},
  };
  for (const auto& c : cases) {
    question_log::asked.clear();
    g_volume.reset();
    write_whole_file(config_url(), c.content);
    store_.load();  // OK: start-up goes on
    ASSERT_EQ(question_log::asked.size(), 1u);
    EXPECT_EQ(question_log::asked[0],
              "Error reading configuration file (" + c.error_text + ").\nContinue?");
    EXPECT_EQ(g_volume.get(), 0);
  }

  // Cancel ends the program quietly; quiet mode never asks.
  question_log::answer_ok = false;
  EXPECT_THROW(store_.load(), kel::exception_shutdownrequest);
  question_log::asked.clear();
  configure(false, prompt_mode::quiet);
  EXPECT_NO_THROW(store_.load());
  EXPECT_TRUE(question_log::asked.empty());
}

TEST_F(ConfigStore, SavingTwiceWritesOnce) {
  g_volume.set(-1);
  store_.save_now();
  const std::string first = read_whole_file(config_url());

  // Overwrite the file behind the store's back: a second save with the same content
  // must leave it alone.
  write_whole_file(config_url(), "untouched");
  store_.save_now();
  store_.save(false);
  EXPECT_EQ(read_whole_file(config_url()), "untouched");

  // A change writes again.
  g_volume.set(-2);
  store_.save_now();
  EXPECT_NE(read_whole_file(config_url()), "untouched");
  EXPECT_NE(read_whole_file(config_url()), first);

  // After a load, an unchanged save writes nothing either.
  configure(false);
  store_.load();
  write_whole_file(config_url(), "untouched");
  store_.save_now();
  EXPECT_EQ(read_whole_file(config_url()), "untouched");
}

TEST_F(ConfigStore, ResetDeletesTheFileAndTheNextStartUsesDefaults) {
  g_format.set("changed");
  store_.save_now();
  ASSERT_TRUE(config_exists());
  store_.save(true);
  EXPECT_FALSE(config_exists());
  store_.save(true);  // nothing to delete is fine

  g_format.reset();
  configure(false);
  store_.load();
  EXPECT_EQ(g_format.get(), "%title%");
  EXPECT_TRUE(question_log::asked.empty());
}

TEST_F(ConfigStore, ReadOnlyProfileIsNeverWritten) {
  configure(true);
  g_volume.set(-9);
  store_.save(false);
  store_.save_now();
  EXPECT_FALSE(config_exists());

  write_whole_file(config_url(), "kept");
  store_.save(true);
  EXPECT_EQ(read_whole_file(config_url()), "kept");
}

TEST_F(ConfigStore, ReadOnlyTargetFailsAndKeepsTheOldFile) {
  g_volume.set(-4);
  store_.save_now();
  const std::string old_content = read_whole_file(config_url());
  lumo::testing::set_read_only(config_url(), true);
  g_volume.set(-5);
  try {
    store_.save_now();
    ADD_FAILURE() << "save over a read-only file succeeded";
  } catch (const kel::exception& e) {
    EXPECT_STREQ(e.what(), "file exists and is read-only");
  }
  EXPECT_EQ(read_whole_file(config_url()), old_content);
  EXPECT_FALSE(find_file_system(config_url()).exists(config_url() + ".tmp"));
  lumo::testing::set_read_only(config_url(), false);
}

TEST_F(ConfigStore, IsRegisteredAsAConfigurationStore) {
  service_registry registry;
  registry.build(static_factories());
  size_t found = 0;
  // Other modules (the library) join the save as stores of their own.
  for (service_ptr<config_store> s : enumerate_services<config_store>(registry)) {
    ASSERT_TRUE(s);
    if (!dynamic_cast<config_dat_store*>(s.get())) continue;
    ++found;
    // load through the service interface reads this profile's file.
    g_volume.set(33);
    store_.save_now();
    g_volume.reset();
    configure(false);
    s->load();
    EXPECT_EQ(g_volume.get(), 33);
  }
  EXPECT_EQ(found, 1u);
}
