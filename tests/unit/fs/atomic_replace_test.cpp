#include "fs/atomic_replace.h"

#include <gtest/gtest.h>

#include <atomic>

#include "core/service_registry.h"
#include "fs/file_system.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;
namespace io = sonatrix_io;

namespace {

const abort_signal& none = abort_none();

// "flaky://" + path is the local "file://" + path, except that replace meets a sharing
// violation as long as g_busy_replaces says so: a reader that will not let go.
std::atomic<int> g_busy_replaces{0};
std::atomic<int> g_replace_calls{0};
enum class busy_kind { sharing_violation, denied, write_protected };
std::atomic<busy_kind> g_busy_kind{busy_kind::sharing_violation};

class flaky_file_system : public file_system {
 public:
  bool claims(std::string_view url) const override { return url.starts_with("flaky://"); }
  std::string display_path(std::string_view url) const override {
    return local().display_path(map(url));
  }
  std::optional<std::string> canonical_path(std::string_view) const override {
    return std::nullopt;
  }
  file_ptr open(std::string_view url, open_mode mode, const abort_signal& abort) const override {
    return local().open(map(url), mode, abort);
  }
  bool exists(std::string_view url) const override { return local().exists(map(url)); }
  bool directory_exists(std::string_view url) const override {
    return local().directory_exists(map(url));
  }
  file_stats get_stats(std::string_view url) const override { return local().get_stats(map(url)); }
  void create_directory(std::string_view url) const override { local().create_directory(map(url)); }
  void remove(std::string_view url) const override { local().remove(map(url)); }
  void move(std::string_view from, std::string_view to) const override {
    local().move(map(from), map(to));
  }
  void replace(std::string_view from, std::string_view to) const override {
    ++g_replace_calls;
    if (g_busy_replaces > 0) {
      --g_busy_replaces;
      switch (g_busy_kind.load()) {
        case busy_kind::sharing_violation: throw io::exception_io_sharing_violation();
        case busy_kind::denied: throw io::exception_io_denied();
        case busy_kind::write_protected: throw io::exception_io_write_protected();
      }
    }
    local().replace(map(from), map(to));
  }
  void list_directory(std::string_view url, const directory_callback& cb,
                      const abort_signal& abort) const override {
    local().list_directory(map(url), cb, abort);
  }

 private:
  static const file_system& local() { return find_file_system("file://"); }
  static std::string map(std::string_view url) { return "file://" + std::string(url.substr(8)); }
};

LUMO_REGISTER_SINGLETON_SERVICE(flaky_file_system);

auto writes(std::string content) {
  return [content](file& f, const abort_signal& abort) {
    f.write(content.data(), content.size(), abort);
  };
}

}  // namespace

TEST(AtomicReplace, WritesNewAndExistingTargets) {
  test_folder dir;
  std::string target = dir / "config.dat";
  replace_file_atomically(target, writes("first"), none);
  EXPECT_EQ(read_whole_file(target), "first");
  replace_file_atomically(target, writes("second, longer"), none);
  EXPECT_EQ(read_whole_file(target), "second, longer");
  EXPECT_FALSE(find_file_system(target).exists(target + ".tmp"));
}

TEST(AtomicReplace, FailuresLeaveTheTargetAndNoTemporaryFile) {
  test_folder dir;
  const file_system& fs = find_file_system(dir.url());
  std::string target = dir / "library.dat";
  write_whole_file(target, "old");

  lumo::testing::set_read_only(target, true);
  bool was_called = false;
  try {
    replace_file_atomically(
        target, [&](file&, const abort_signal&) { was_called = true; }, none);
    ADD_FAILURE() << "replaced a read-only file";
  } catch (const kel::exception& e) {
    EXPECT_STREQ(e.what(), "file exists and is read-only");
  }
  EXPECT_FALSE(was_called);
  EXPECT_FALSE(fs.exists(target + ".tmp"));
  lumo::testing::set_read_only(target, false);
  EXPECT_EQ(read_whole_file(target), "old");

  EXPECT_THROW(replace_file_atomically(
                   target,
                   [](file& f, const abort_signal& abort) {
                     f.write("half", 4, abort);
                     throw io::exception_io_device_full();
                   },
                   none),
               io::exception_io_device_full);
  EXPECT_FALSE(fs.exists(target + ".tmp"));
  EXPECT_EQ(read_whole_file(target), "old");
}

TEST(AtomicReplace, RetriesWhileTheTargetIsBusy) {
  test_folder dir;
  std::string local_target = dir / "config.dat";
  std::string target = "flaky://" + local_target.substr(7);
  write_whole_file(local_target, "old");

  g_busy_replaces = 3;
  g_replace_calls = 0;
  replace_file_atomically(target, writes("new"), none);
  EXPECT_EQ(g_replace_calls, 4);
  EXPECT_EQ(read_whole_file(local_target), "new");

  // After the last attempt: the error, the old target, and the complete new content
  // kept beside it.
  g_busy_replaces = 1000;
  g_replace_calls = 0;
  EXPECT_THROW(replace_file_atomically(target, writes("newer"), none),
               io::exception_io_sharing_violation);
  EXPECT_EQ(g_replace_calls, replace_attempts);
  EXPECT_EQ(read_whole_file(local_target), "new");
  EXPECT_EQ(read_whole_file(local_target + ".tmp"), "newer");

  // Windows may report the open target as access denied: waited for the same way.
  // Write-protected media are not waited for, and the ".tmp" goes.
  g_busy_kind = busy_kind::denied;
  g_busy_replaces = 2;
  g_replace_calls = 0;
  replace_file_atomically(target, writes("newest"), none);
  EXPECT_EQ(g_replace_calls, 3);
  EXPECT_EQ(read_whole_file(local_target), "newest");
  g_busy_kind = busy_kind::write_protected;
  g_busy_replaces = 1000;
  g_replace_calls = 0;
  EXPECT_THROW(replace_file_atomically(target, writes("lost"), none),
               io::exception_io_write_protected);
  EXPECT_EQ(g_replace_calls, 1);
  EXPECT_FALSE(find_file_system(local_target).exists(local_target + ".tmp"));
  EXPECT_EQ(read_whole_file(local_target), "newest");
  g_busy_replaces = 0;
  g_busy_kind = busy_kind::sharing_violation;
}
