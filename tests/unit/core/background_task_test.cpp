#include "core/background_task.h"

#include <gtest/gtest.h>

#include "core/popup_recorder.h"
#include "core/service_registry.h"
#include "recording_popups.h"

using namespace lumo;

namespace {

TEST(BackgroundTask, FlagImplicationsAndDelayedDisplay) {
  using namespace task_flags;
  EXPECT_EQ(effective_task_flags(secondary), secondary | show_progress);
  EXPECT_EQ(effective_task_flags(delayed_show | cancel), delayed_show | modeless | cancel);
  EXPECT_EQ(effective_task_flags(details | pause_box), details | pause_box);

  const uint32_t delayed = effective_task_flags(delayed_show);
  EXPECT_FALSE(should_show_dialog(delayed, false, 500));  // "more than" 500 ms
  EXPECT_TRUE(should_show_dialog(delayed, false, 501));
  EXPECT_FALSE(should_show_dialog(delayed, true, 5000));    // already shown
  EXPECT_FALSE(should_show_dialog(modeless, false, 5000));  // shown at once instead
}

TEST(BackgroundTask, StatusScalesAndClampsProgress) {
  task_status s;
  s.set_progress(0.5);
  s.set_secondary_progress(2.0);
  s.set_item("Scanning");
  s.set_detail("a.flac", "b.flac");
  auto snap = s.read();
  EXPECT_EQ(snap.progress, 50);
  EXPECT_EQ(snap.secondary_progress, 100);
  EXPECT_EQ(snap.item, "Scanning");
  EXPECT_EQ(snap.detail2, "b.flac");
  s.set_progress(-1);
  EXPECT_EQ(s.read().progress, 0);
  s.set_progress(0.0 / 0.0);
  EXPECT_EQ(s.read().progress, 0);
}

class scripted_task : public task_callback {
 public:
  enum class ending { normal, throws_io, throws_other };
  explicit scripted_task(ending e) : ending_(e) {}
  void run(task_status& status, const abort_signal& abort) override {
    status.set_progress(1);
    abort.check();
    if (ending_ == ending::throws_io) throw sonatrix_io::exception_io_denied();
    if (ending_ == ending::throws_other) throw 42;
  }

 private:
  ending ending_;
};

TEST(BackgroundTask, EscapingExceptionIsReportedThroughThePopupService) {
  use_recording_popups();
  task_status status;

  service_impl<scripted_task> fine(scripted_task::ending::normal);
  EXPECT_EQ(run_task_body(fine, status, abort_none()), std::nullopt);
  service_impl<scripted_task> denied(scripted_task::ending::throws_io);
  EXPECT_EQ(run_task_body(denied, status, abort_none()), "Access denied");
  service_impl<scripted_task> odd(scripted_task::ending::throws_other);
  EXPECT_EQ(run_task_body(odd, status, abort_none()), "Unknown exception");
  // A task the user cancelled ends quietly.
  abort_source cancelled;
  cancelled.abort();
  EXPECT_EQ(run_task_body(fine, status, cancelled), std::nullopt);
  EXPECT_TRUE(popup_recorder::recorded().empty());

  report_task_failure("Updating Files", "Access denied");
  report_task_failure("", "Unknown exception");
  auto shown = popup_recorder::take_recorded();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].message, "Access denied");
  EXPECT_EQ(shown[0].title, "Unhandled exception in \"Updating Files\"");
  EXPECT_EQ(shown[0].icon, popup_icon::error);
  EXPECT_EQ(shown[1].title, "Unhandled exception in \"\"");
}

TEST(BackgroundTask, RegistryListsRunningTasksInStartOrder) {
  EXPECT_TRUE(task_registry::empty());
  auto a = task_registry::add("Updating Files");
  auto b = task_registry::add("");
  auto c = task_registry::add("Processing Files");
  task_registry::remove(b);
  auto d = task_registry::add("");
  EXPECT_EQ(task_registry::names(),
            (std::vector<std::string>{"Updating Files", "Processing Files", "<unnamed task>"}));
  for (auto id : {a, c, d}) task_registry::remove(id);
  EXPECT_TRUE(task_registry::empty());
}

}  // namespace
