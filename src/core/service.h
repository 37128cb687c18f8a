#pragma once
// Service objects: reference-counted objects behind abstract interfaces. Every interface
// derives from service_base and names its GUID (class_guid) and the interface it extends
// (parent_class); the root interface of a registered class also names itself as
// service_class, which its extensions and implementations inherit.
//
// Implementations are wrapped by service_impl (counted, deleted at zero) or
// service_singleton (one static object, counting ignored), so an implementation class
// only writes its operations.

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "core/exceptions.h"
#include "core/guid.h"

namespace lumo {

class service_base {
 public:
  // Slot order matters to nothing outside the program, but it is kept as declared:
  // release, add_ref, query_interface, then the class's own operations.
  virtual void release() noexcept = 0;
  virtual void add_ref() noexcept = 0;
  // The object as the interface id, with a reference added; null when it has none.
  virtual service_base* query_interface(const guid& id) noexcept = 0;

  static constexpr guid class_guid{
      0x8c6f1e2au, 0x43d9, 0x4b57, {0x9e, 0x21, 0x5a, 0x0c, 0x7d, 0x33, 0xe4, 0x18}};

 protected:
  service_base() = default;
  service_base(const service_base&) = delete;
  service_base& operator=(const service_base&) = delete;
  // Objects die through release(), never through a base pointer.
  ~service_base() = default;
};

// Owns one reference.
template <class T>
class service_ptr {
 public:
  service_ptr() = default;
  service_ptr(std::nullptr_t) {}
  // Adds a reference to p.
  explicit service_ptr(T* p) : p_(p) {
    if (p_) p_->add_ref();
  }
  service_ptr(const service_ptr& o) : service_ptr(o.p_) {}
  service_ptr(service_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  service_ptr(service_ptr<U> o) : p_(o.detach()) {}
  ~service_ptr() { reset(); }

  service_ptr& operator=(service_ptr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  // Takes over a reference the caller already holds.
  static service_ptr adopt(T* p) {
    service_ptr r;
    r.p_ = p;
    return r;
  }
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->release();
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const service_ptr& a, const service_ptr& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

namespace detail {

// True when id names Iface or one of the interfaces it extends.
template <class Iface>
bool implements(const guid& id) {
  if (id == Iface::class_guid) return true;
  if constexpr (std::is_same_v<Iface, service_base>) {
    return false;
  } else {
    static_assert(!std::is_same_v<typename Iface::parent_class, Iface>,
                  "an interface must name the interface it extends");
    return implements<typename Iface::parent_class>(id);
  }
}

}  // namespace detail

// A counted implementation of T: created with a count of zero, handed out through
// service_ptr, deleted when the last reference goes.
template <class T>
class service_impl final : public T {
 public:
  template <class... A>
  explicit service_impl(A&&... args) : T(std::forward<A>(args)...) {}

  void add_ref() noexcept override { count_.fetch_add(1, std::memory_order_relaxed); }
  void release() noexcept override {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  service_base* query_interface(const guid& id) noexcept override {
    if (!detail::implements<T>(id)) return nullptr;
    add_ref();
    return this;
  }

 private:
  std::atomic<int32_t> count_{0};
};

// A static implementation of T: the counting does nothing.
template <class T>
class service_singleton final : public T {
 public:
  template <class... A>
  explicit service_singleton(A&&... args) : T(std::forward<A>(args)...) {}

  void add_ref() noexcept override {}
  void release() noexcept override {}
  service_base* query_interface(const guid& id) noexcept override {
    return detail::implements<T>(id) ? this : nullptr;
  }
};

template <class T, class... A>
service_ptr<T> make_service(A&&... args) {
  return service_ptr<T>(new service_impl<T>(std::forward<A>(args)...));
}

// p as the extended interface Wanted, or empty when the object lacks it.
template <class Wanted, class T>
service_ptr<Wanted> try_query(const service_ptr<T>& p) {
  if (!p) return {};
  return service_ptr<Wanted>::adopt(static_cast<Wanted*>(p->query_interface(Wanted::class_guid)));
}

// p as Wanted; throws kel::exception_service_extension_not_found when it lacks it.
template <class Wanted, class T>
service_ptr<Wanted> query(const service_ptr<T>& p) {
  service_ptr<Wanted> r = try_query<Wanted>(p);
  if (!r) throw kel::exception_service_extension_not_found();
  return r;
}

}  // namespace lumo
