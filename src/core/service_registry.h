#pragma once
// The service registry: implementations register a factory under the GUID of their
// service class with one static declaration beside their code,
//
//   LUMO_REGISTER_SERVICE(my_output);            // a new object per create
//   LUMO_REGISTER_SINGLETON_SERVICE(my_popup);    // one static object
//
// and start-up builds the registry once from every factory linked in. After the build
// it is read-only, so lookups take no lock.

#include <atomic>
#include <cstddef>
#include <span>
#include <type_traits>
#include <vector>

#include "core/guid.h"
#include "core/service.h"

namespace lumo {

class service_factory_base {
 public:
  // Tag for a factory outside the static list, for registries built from an explicit
  // list (tests).
  struct unlisted_t {};

  const guid& class_guid() const { return class_guid_; }
  // A new reference to an implementation (for singletons, the one static object).
  virtual service_ptr<service_base> create() const = 0;

  // The next older factory of the static list.
  const service_factory_base* next() const { return next_; }

 protected:
  // Links the factory into the static list; only static objects may do this.
  explicit service_factory_base(const guid& class_guid);
  service_factory_base(const guid& class_guid, unlisted_t) : class_guid_(class_guid) {}
  ~service_factory_base() = default;

 private:
  guid class_guid_;
  const service_factory_base* next_ = nullptr;
};

// Every factory linked in, newest first.
const service_factory_base* static_factory_list();

template <class Impl>
class service_factory final : public service_factory_base {
 public:
  using service_class = typename Impl::service_class;
  service_factory() : service_factory_base(service_class::class_guid) {}
  explicit service_factory(unlisted_t u) : service_factory_base(service_class::class_guid, u) {}
  service_ptr<service_base> create() const override { return make_service<Impl>(); }
};

template <class Impl>
class singleton_factory final : public service_factory_base {
 public:
  using service_class = typename Impl::service_class;
  singleton_factory() : service_factory_base(service_class::class_guid) {}
  explicit singleton_factory(unlisted_t u) : service_factory_base(service_class::class_guid, u) {}
  service_ptr<service_base> create() const override {
    // Built on first use, so its constructor never runs before the statics it needs.
    static service_singleton<Impl> instance;
    return service_ptr<service_base>(&instance);
  }
};

#define LUMO_SERVICE_CONCAT2(a, b) a##b
#define LUMO_SERVICE_CONCAT(a, b) LUMO_SERVICE_CONCAT2(a, b)
#define LUMO_REGISTER_SERVICE(impl) \
  static ::lumo::service_factory<impl> LUMO_SERVICE_CONCAT(g_service_factory_, __LINE__)
#define LUMO_REGISTER_SINGLETON_SERVICE(impl) \
  static ::lumo::singleton_factory<impl> LUMO_SERVICE_CONCAT(g_service_factory_, __LINE__)

// The class GUID of the input-opening service: the single entry through which files
// are opened for decoding, info reading and tag writing. Declared here because the
// registry checks at build time that exactly one implementation exists.
inline constexpr guid input_entry_class_guid{
    0x3b0e6a51u, 0x9f2c, 0x4d84, {0xa7, 0x6e, 0x11, 0xc4, 0x58, 0x0d, 0x92, 0xbf}};

class service_registry {
 public:
  struct class_entry {
    guid class_guid;
    const service_factory_base* const* first;  // into the factory array
    size_t count;
  };

  // Sorts the factories by class GUID (stable: equal GUIDs keep their list order) and
  // groups them into the class table. Any earlier content is dropped.
  void build(std::vector<const service_factory_base*> factories);
  // Back to empty and not ready (shutdown).
  void clear();
  bool is_ready() const { return ready_.load(std::memory_order_acquire); }

  // Bisection over the class table; null when no factory has that class.
  const class_entry* find_class(const guid& class_guid) const;
  // The factories of a class in array order (empty when none).
  std::span<const service_factory_base* const> factories_of(const guid& class_guid) const;
  // The one implementation of a class; any other count is the internal-error crash.
  service_ptr<service_base> get_single(const guid& class_guid) const;

  std::span<const service_factory_base* const> all_factories() const { return factories_; }

 private:
  std::vector<const service_factory_base*> factories_;
  std::vector<class_entry> classes_;
  std::atomic<bool> ready_{false};
};

// The process-wide registry.
service_registry& services();

// The static list in list order (newest first).
std::vector<const service_factory_base*> static_factories();

// Start-up: builds the process-wide registry, checks that the input-opening class has
// exactly one implementation (kel::exception_installdamaged otherwise), then calls load
// on every configuration store in registry order. Main thread only.
void build_services(std::vector<const service_factory_base*> factories = static_factories());

// Every implementation of T, one new instance per step, in registry order:
//   for (service_ptr<config_store> s : enumerate_services<config_store>()) ...
template <class T>
class service_enumeration {
 public:
  class iterator {
   public:
    explicit iterator(const service_factory_base* const* p) : p_(p) {}
    service_ptr<T> operator*() const {
      service_ptr<service_base> s = (*p_)->create();
      return service_ptr<T>::adopt(static_cast<T*>(s.detach()));
    }
    iterator& operator++() {
      ++p_;
      return *this;
    }
    bool operator==(const iterator&) const = default;

   private:
    const service_factory_base* const* p_;
  };

  explicit service_enumeration(std::span<const service_factory_base* const> f) : f_(f) {}
  iterator begin() const { return iterator(f_.data()); }
  iterator end() const { return iterator(f_.data() + f_.size()); }
  size_t size() const { return f_.size(); }

 private:
  std::span<const service_factory_base* const> f_;
};

template <class T>
service_enumeration<T> enumerate_services(const service_registry& r = services()) {
  static_assert(std::is_same_v<T, typename T::service_class>, "enumerate the service class");
  return service_enumeration<T>(r.factories_of(T::service_class::class_guid));
}

// Calls f(service_ptr<T>) for every implementation of T in registry order until f returns
// false. Before start-up has built the registry (its early steps, and programs and tests
// that never build one) the static list is walked instead: it holds the same factories
// in the same order. File systems and input handlers are found this way, since the
// profile folder and the language are read before the registry exists.
template <class T, class F>
void for_each_service(F&& f, const service_registry& r = services()) {
  static_assert(std::is_same_v<T, typename T::service_class>, "enumerate the service class");
  auto visit = [&f](const service_factory_base& factory) {
    service_ptr<service_base> s = factory.create();
    return f(service_ptr<T>::adopt(static_cast<T*>(s.detach())));
  };
  if (r.is_ready()) {
    for (const service_factory_base* factory : r.factories_of(T::class_guid))
      if (!visit(*factory)) return;
  } else {
    for (const service_factory_base* factory = static_factory_list(); factory;
         factory = factory->next())
      if (factory->class_guid() == T::class_guid && !visit(*factory)) return;
  }
}

// The single implementation of T (internal-error crash unless exactly one).
template <class T>
service_ptr<T> get_single_service(const service_registry& r = services()) {
  static_assert(std::is_same_v<T, typename T::service_class>, "ask for the service class");
  service_ptr<service_base> s = r.get_single(T::service_class::class_guid);
  return service_ptr<T>::adopt(static_cast<T*>(s.detach()));
}

}  // namespace lumo
