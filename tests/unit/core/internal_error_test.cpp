// The internal-error crash, seen from outside: the process dies with its code.

#include "core/internal_error.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/main_thread.h"
#include "core/service_registry.h"
#include "crash_reporter.h"

using namespace lumo;

namespace {

class lonely : public service_base {
 public:
  static constexpr guid class_guid{0x51c0ffeeu, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  using parent_class = service_base;
  using service_class = lonely;
};
class lonely_impl : public lonely {};

const service_factory_base::unlisted_t unlisted{};
service_factory<lonely_impl> f_first(unlisted), f_second(unlisted);

TEST(InternalErrorDeathTest, MissingOrDuplicatedSingleServiceCrashes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  service_registry none, one, two;
  one.build({&f_first});
  two.build({&f_first, &f_second});
  EXPECT_TRUE(get_single_service<lonely>(one));
  EXPECT_DEATH(
      {
        report_crashes_on_stderr();
        get_single_service<lonely>(none);
      },
      "0xAA67913C");
  EXPECT_DEATH(
      {
        report_crashes_on_stderr();
        get_single_service<lonely>(two);
      },
      "0xAA67913C");
}

TEST(InternalErrorDeathTest, MainThreadCheckCrashesElsewhere) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_TRUE(is_main_thread());
  assert_main_thread();  // fine here
  EXPECT_DEATH(
      {
        report_crashes_on_stderr();
        std::thread([] { assert_main_thread(thread_violation::report_then_crash); }).join();
      },
      "Error: this function can be called only from main thread\\.");
  // No recorded main thread disables the check.
  uint32_t saved = main_thread_id();
  set_main_thread_id(0);
  std::thread([] { EXPECT_TRUE(is_main_thread()); }).join();
  set_main_thread_id(saved);
}

}  // namespace
