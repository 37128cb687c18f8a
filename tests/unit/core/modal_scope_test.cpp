#include "core/modal_scope.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/debug_output.h"

using namespace lumo;

namespace {

std::string g_debug;
void capture(std::string_view text) {
  g_debug += text;
}

TEST(ModalScope, NestsAndRestoresAndIgnoresOtherThreads) {
  int outer_window = 0, inner_window = 0;
  EXPECT_TRUE(can_prompt());
  {
    modal_scope outer(&outer_window);
    EXPECT_FALSE(can_prompt());
    EXPECT_FALSE(check_can_prompt());
    EXPECT_EQ(modal_window(), &outer_window);
    {
      modal_scope inner(&inner_window);
      EXPECT_EQ(modal_window(), &inner_window);
    }
    EXPECT_EQ(modal_window(), &outer_window);
    EXPECT_FALSE(can_prompt());
  }
  EXPECT_TRUE(can_prompt());
  EXPECT_EQ(modal_window(), nullptr);

  // Off the main thread a scope only complains, and nobody there may prompt.
  set_debug_output_sink(capture);
  std::thread([] {
    modal_scope ignored(nullptr);
    EXPECT_FALSE(can_prompt());
  }).join();
  set_debug_output_sink(nullptr);
  EXPECT_EQ(g_debug, "This function can be called only from main thread.\n");
  EXPECT_TRUE(can_prompt());
}

}  // namespace
