#pragma once
// Advanced preference entries: named, typed settings grouped into branches, which the
// preferences view lists. They live in memory only (they are not config.dat records).
// Every entry is a static object registered as a service of the class advanced_entry;
// the view enumerates that class and asks each entry for its kind's interface.
//
// Values belong to the main thread. Checkbox and integer values are atomics, so other
// threads (the message loop's filters, the output's fades) may read them directly;
// text entries check the thread and crash when used elsewhere.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/guid.h"
#include "core/service.h"
#include "core/service_registry.h"

namespace lumo {

enum class advanced_entry_kind { branch, checkbox, radio, integer, text };

class advanced_entry : public service_base {
 public:
  static constexpr guid class_guid{
      0x5F2DDA1Bu, 0x7CCB, 0x4026, {0x90, 0x6A, 0xCD, 0x52, 0x12, 0x2E, 0x57, 0x77}};
  using parent_class = service_base;
  using service_class = advanced_entry;

  virtual std::string_view name() const = 0;
  virtual const guid& id() const = 0;
  // The branch or top-level group the entry sits in.
  virtual const guid& parent() const = 0;
  // Lower sorts first within the parent.
  virtual double priority() const = 0;
  virtual advanced_entry_kind kind() const = 0;
  // Back to the default value; nothing for a branch.
  virtual void reset() = 0;

 protected:
  ~advanced_entry() = default;
};

// A checkbox, or a radio item (kind radio): setting a radio item clears the other radio
// items of its branch.
class advanced_checkbox : public advanced_entry {
 public:
  static constexpr guid class_guid{
      0xA5BFFC03u, 0x80BC, 0x45EF, {0xAE, 0x46, 0x0D, 0x72, 0x22, 0x93, 0x81, 0xAA}};
  using parent_class = advanced_entry;

  virtual bool get_state() const = 0;
  virtual void set_state(bool state) = 0;
  virtual bool default_state() const = 0;

 protected:
  ~advanced_checkbox() = default;
};

class advanced_integer : public advanced_entry {
 public:
  static constexpr guid class_guid{
      0x6BB75B7Eu, 0x8ED6, 0x43D4, {0x92, 0x2D, 0xF7, 0xAB, 0x0C, 0xE1, 0xA7, 0x32}};
  using parent_class = advanced_entry;

  virtual int64_t get_value() const = 0;
  // A value outside [min_value, max_value] raises kel::exception_invalid_params.
  virtual void set_value(int64_t value) = 0;
  virtual int64_t default_value() const = 0;
  virtual int64_t min_value() const = 0;
  virtual int64_t max_value() const = 0;

 protected:
  ~advanced_integer() = default;
};

// Main thread only: any other thread gets the internal-error crash.
class advanced_text : public advanced_entry {
 public:
  static constexpr guid class_guid{
      0x45AD1105u, 0x743B, 0x4D65, {0x90, 0x0A, 0x99, 0x8A, 0xBE, 0x26, 0x23, 0x4F}};
  using parent_class = advanced_entry;

  virtual std::string get_value() const = 0;
  virtual void set_value(std::string_view value) = 0;
  virtual std::string_view default_value() const = 0;

 protected:
  ~advanced_text() = default;
};

// What every entry shows: its display name, identity, place and order.
struct advanced_entry_info {
  const char* name;
  guid id;
  guid parent;
  double priority = 0;
};

namespace detail {

// The service plumbing of a static entry: counting does nothing, and the entry
// registers a factory that hands out the entry itself.
template <class Iface>
class static_advanced_entry : public Iface {
 public:
  static_advanced_entry(const static_advanced_entry&) = delete;
  static_advanced_entry& operator=(const static_advanced_entry&) = delete;

  void add_ref() noexcept override {}
  void release() noexcept override {}
  service_base* query_interface(const guid& id) noexcept override {
    return implements<Iface>(id) ? this : nullptr;
  }

  std::string_view name() const override { return info_.name; }
  const guid& id() const override { return info_.id; }
  const guid& parent() const override { return info_.parent; }
  double priority() const override { return info_.priority; }

 protected:
  explicit static_advanced_entry(const advanced_entry_info& info) : info_(info), factory_(*this) {}
  ~static_advanced_entry() = default;

 private:
  class factory final : public service_factory_base {
   public:
    explicit factory(static_advanced_entry& entry)
        : service_factory_base(advanced_entry::class_guid), entry_(entry) {}
    service_ptr<service_base> create() const override { return service_ptr<service_base>(&entry_); }

   private:
    static_advanced_entry& entry_;
  };

  advanced_entry_info info_;
  factory factory_;
};

}  // namespace detail

// The concrete entries; declare one as a static object beside its user, e.g.
//   static advanced_checkbox_entry g_x{{"Name", {...}, parent_branch_guid, 1.0}, true};

class advanced_branch_entry final : public detail::static_advanced_entry<advanced_entry> {
 public:
  explicit advanced_branch_entry(const advanced_entry_info& info) : static_advanced_entry(info) {}
  advanced_entry_kind kind() const override { return advanced_entry_kind::branch; }
  void reset() override {}
};

class advanced_checkbox_entry final : public detail::static_advanced_entry<advanced_checkbox> {
 public:
  enum class style { checkbox, radio };

  advanced_checkbox_entry(const advanced_entry_info& info, bool default_state,
                          style look = style::checkbox);

  advanced_entry_kind kind() const override;
  bool get_state() const override { return state_.load(std::memory_order_relaxed); }
  void set_state(bool state) override;
  bool default_state() const override { return default_; }
  void reset() override { state_.store(default_, std::memory_order_relaxed); }

 private:
  const bool default_;
  const style style_;
  std::atomic<bool> state_;
  // Radio items link into one list so that setting one can clear its siblings.
  advanced_checkbox_entry* next_radio_ = nullptr;
};

class advanced_integer_entry final : public detail::static_advanced_entry<advanced_integer> {
 public:
  advanced_integer_entry(const advanced_entry_info& info, int64_t default_value, int64_t min_value,
                         int64_t max_value)
      : static_advanced_entry(info),
        default_(default_value),
        min_(min_value),
        max_(max_value),
        value_(default_value) {}

  advanced_entry_kind kind() const override { return advanced_entry_kind::integer; }
  int64_t get_value() const override { return value_.load(std::memory_order_relaxed); }
  void set_value(int64_t value) override;
  int64_t default_value() const override { return default_; }
  int64_t min_value() const override { return min_; }
  int64_t max_value() const override { return max_; }
  void reset() override { value_.store(default_, std::memory_order_relaxed); }

 private:
  const int64_t default_, min_, max_;
  std::atomic<int64_t> value_;
};

class advanced_text_entry final : public detail::static_advanced_entry<advanced_text> {
 public:
  advanced_text_entry(const advanced_entry_info& info, const char* default_value)
      : static_advanced_entry(info), default_(default_value), value_(default_value) {}

  advanced_entry_kind kind() const override { return advanced_entry_kind::text; }
  std::string get_value() const override;
  void set_value(std::string_view value) override;
  std::string_view default_value() const override { return default_; }
  void reset() override;

 private:
  const char* const default_;
  std::string value_;
};

}  // namespace lumo
