#include "core/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace lumo;

namespace {

TEST(MainThread, DrainRunsOnlyWhatWasQueuedWhenItStarted) {
  ASSERT_EQ(pending_callback_count(), 0u);
  std::vector<int> order;
  post_to_main_thread([&] { order.push_back(1); });
  post_to_main_thread([&] {
    order.push_back(2);
    // Posting from inside a callback must not deadlock (the lock is not held) and must
    // wait for the next dispatch.
    post_to_main_thread([&] {
      order.push_back(4);
      post_to_main_thread([&] { order.push_back(5); });
    });
  });
  post_to_main_thread([&] { order.push_back(3); });

  run_pending(drain::queued_at_start);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(pending_callback_count(), 1u);

  run_pending(drain::queued_at_start);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

  // A complete drain also runs what is queued meanwhile.
  post_to_main_thread([&] {
    order.push_back(6);
    post_to_main_thread([&] { order.push_back(7); });
  });
  run_pending(drain::until_empty);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(pending_callback_count(), 0u);

  run_pending(drain::queued_at_start);  // an empty queue is fine
}

TEST(MainThread, ExceptionLeavesTheRestQueued) {
  int ran = 0;
  post_to_main_thread([] { throw kel::exception_aborted(); });
  post_to_main_thread([&] { ++ran; });
  EXPECT_THROW(run_pending(drain::queued_at_start), kel::exception_aborted);
  EXPECT_EQ(ran, 0);
  run_pending(drain::until_empty);
  EXPECT_EQ(ran, 1);
}

// The waker stands in for the dispatch window: it is called after every post, from the
// posting thread, and the main thread drains in response.
struct wake_state {
  std::mutex lock;
  std::condition_variable cv;
  uint64_t wakes = 0;
} g_wake;

void count_wake() {
  {
    std::lock_guard guard(g_wake.lock);
    ++g_wake.wakes;
  }
  g_wake.cv.notify_one();
}

TEST(MainThread, CallbacksFromOtherThreadsAllRunOnTheMainThreadInPostOrder) {
  constexpr int threads = 4, per_thread = 500;
  set_main_thread_waker(count_wake);
  std::vector<std::vector<int>> seen(threads);  // main thread only
  std::atomic<int> off_main{0};

  std::vector<std::thread> posters;
  for (int t = 0; t < threads; ++t) {
    posters.emplace_back([&, t] {
      EXPECT_FALSE(is_main_thread());
      for (int i = 0; i < per_thread; ++i) {
        post_to_main_thread([&, t, i] {
          if (!is_main_thread()) ++off_main;
          seen[t].push_back(i);
          // Some callbacks post more work, which must not be lost either.
          if (i % 100 == 0) post_to_main_thread([&, t] { seen[t].push_back(-1); });
        });
      }
    });
  }

  const size_t expected = threads * (per_thread + per_thread / 100);
  uint64_t handled = 0;
  auto total = [&] {
    size_t n = 0;
    for (auto& s : seen) n += s.size();
    return n;
  };
  while (total() < expected) {
    {
      std::unique_lock guard(g_wake.lock);
      g_wake.cv.wait(guard, [&] { return g_wake.wakes > handled; });
      handled = g_wake.wakes;
    }
    run_pending(drain::queued_at_start);
  }
  for (auto& p : posters) p.join();
  set_main_thread_waker(nullptr);

  EXPECT_EQ(off_main, 0);
  EXPECT_EQ(pending_callback_count(), 0u);
  for (auto& s : seen) {
    std::vector<int> posted;
    for (int v : s)
      if (v >= 0) posted.push_back(v);
    ASSERT_EQ(posted.size(), size_t(per_thread));
    for (int i = 0; i < per_thread; ++i) EXPECT_EQ(posted[i], i);
  }
}

}  // namespace
