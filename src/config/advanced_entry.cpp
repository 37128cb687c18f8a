#include "config/advanced_entry.h"

#include "core/exceptions.h"
#include "core/main_thread.h"

namespace lumo {

namespace {

constinit advanced_checkbox_entry* g_radio_items = nullptr;

}  // namespace

advanced_checkbox_entry::advanced_checkbox_entry(const advanced_entry_info& info,
                                                 bool default_state, style look)
    : static_advanced_entry(info), default_(default_state), style_(look), state_(default_state) {
  if (style_ == style::radio) {
    next_radio_ = g_radio_items;
    g_radio_items = this;
  }
}

advanced_entry_kind advanced_checkbox_entry::kind() const {
  return style_ == style::radio ? advanced_entry_kind::radio : advanced_entry_kind::checkbox;
}

void advanced_checkbox_entry::set_state(bool state) {
  if (state && style_ == style::radio) {
    for (advanced_checkbox_entry* item = g_radio_items; item; item = item->next_radio_)
      if (item != this && item->parent() == parent())
        item->state_.store(false, std::memory_order_relaxed);
  }
  state_.store(state, std::memory_order_relaxed);
}

void advanced_integer_entry::set_value(int64_t value) {
  if (value < min_ || value > max_) throw kel::exception_invalid_params();
  value_.store(value, std::memory_order_relaxed);
}

std::string advanced_text_entry::get_value() const {
  assert_main_thread(thread_violation::report_then_crash);
  return value_;
}

void advanced_text_entry::set_value(std::string_view value) {
  assert_main_thread(thread_violation::report_then_crash);
  value_ = value;
}

void advanced_text_entry::reset() {
  assert_main_thread(thread_violation::report_then_crash);
  value_ = default_;
}

}  // namespace lumo
