// A second launch against a first instance that has stopped answering gives up within
// the answer timeout instead of hanging with it.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/instance.h"
#include "core/event.h"

using namespace lumo;

TEST(InstanceWin32, SecondLaunchAgainstAHungInstanceReturnsWithinTheTimeout) {
  constexpr uint32_t key = 0x5EC0DD11;
  manual_event claimed, release;
  // The "first instance": claims the key, then stops pumping messages.
  std::thread first([&] {
    EXPECT_TRUE(claim_instance(key));
    claimed.set();
    release.wait_for(std::chrono::seconds(60));
  });
  ASSERT_TRUE(claimed.wait_for(std::chrono::seconds(20)));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(claim_instance(key));
  const auto waited = std::chrono::steady_clock::now() - start;
  // One unanswered query (5 s) ends the search; the old behaviour waited for ever.
  EXPECT_LT(waited, std::chrono::seconds(15));
  release.set();
  first.join();  // its window goes with its thread
}
