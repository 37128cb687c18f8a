#include <gtest/gtest.h>

#include <thread>

#include "config/advanced_entries.h"

using namespace lumo;

TEST(AdvancedEntriesDeathTest, TextEntriesCrashOffTheMainThread) {
  EXPECT_DEATH(
      {
        std::thread t([] { (void)advanced::title_display_format.get_value(); });
        t.join();
      },
      "main thread");
}
