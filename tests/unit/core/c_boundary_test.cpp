#include "core/c_boundary.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/popup_recorder.h"
#include "crash_reporter.h"

using namespace lumo;

TEST(CBoundary, ResultsPassAndReportedErrorsGiveTheFallback) {
  popup_recorder::take_recorded();
  EXPECT_EQ(guard_c_boundary("here", [] { return 7; }), 7);
  EXPECT_EQ(guard_and_report("Scanning", -1, [] { return 3; }), 3);
  EXPECT_EQ(guard_and_report("Scanning", -1, []() -> int { throw std::runtime_error("bad"); }), -1);
  auto shown = popup_recorder::take_recorded();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].message, "bad");
  EXPECT_EQ(shown[0].title, "Scanning");
  EXPECT_EQ(shown[0].icon, popup_icon::error);
}

TEST(CBoundaryDeathTest, AnEscapingExceptionIsTheInternalErrorCrash) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        report_crashes_on_stderr();
        guard_c_boundary("the worker", [] { throw std::runtime_error("lost"); });
      },
      "Unhandled exception in the worker: lost");
}
