#include "core/service_registry.h"

#include <algorithm>

#include "core/config_store.h"
#include "core/internal_error.h"
#include "core/main_thread.h"

namespace lumo {

namespace {

// Constant-initialised, so it is null before the first factory's constructor runs,
// whatever order the static constructors of the modules run in.
constinit const service_factory_base* g_factory_list = nullptr;

}  // namespace

service_factory_base::service_factory_base(const guid& class_guid)
    : class_guid_(class_guid), next_(g_factory_list) {
  g_factory_list = this;
}

const service_factory_base* static_factory_list() {
  return g_factory_list;
}

std::vector<const service_factory_base*> static_factories() {
  std::vector<const service_factory_base*> list;
  for (const service_factory_base* f = g_factory_list; f; f = f->next()) list.push_back(f);
  return list;
}

void service_registry::build(std::vector<const service_factory_base*> factories) {
  clear();
  factories_ = std::move(factories);
  std::stable_sort(factories_.begin(), factories_.end(),
                   [](const service_factory_base* a, const service_factory_base* b) {
                     return guid_less(a->class_guid(), b->class_guid());
                   });
  for (size_t i = 0; i < factories_.size();) {
    size_t end = i + 1;
    while (end < factories_.size() && factories_[end]->class_guid() == factories_[i]->class_guid())
      ++end;
    classes_.push_back({factories_[i]->class_guid(), factories_.data() + i, end - i});
    i = end;
  }
  ready_.store(true, std::memory_order_release);
}

void service_registry::clear() {
  ready_.store(false, std::memory_order_release);
  classes_.clear();
  factories_.clear();
}

const service_registry::class_entry* service_registry::find_class(const guid& class_guid) const {
  auto it = std::lower_bound(
      classes_.begin(), classes_.end(), class_guid,
      [](const class_entry& e, const guid& g) { return guid_less(e.class_guid, g); });
  if (it == classes_.end() || !(it->class_guid == class_guid)) return nullptr;
  return &*it;
}

std::span<const service_factory_base* const> service_registry::factories_of(
    const guid& class_guid) const {
  const class_entry* e = find_class(class_guid);
  if (!e) return {};
  return {e->first, e->count};
}

service_ptr<service_base> service_registry::get_single(const guid& class_guid) const {
  auto f = factories_of(class_guid);
  if (f.size() != 1)
    internal_error_crash(f.empty() ? "a required service is missing"
                                   : "a single service is registered more than once");
  return f[0]->create();
}

service_registry& services() {
  static service_registry registry;
  return registry;
}

void build_services(std::vector<const service_factory_base*> factories) {
  assert_main_thread();
  service_registry& r = services();
  r.build(std::move(factories));
  if (r.factories_of(input_entry_class_guid).size() != 1) throw kel::exception_installdamaged();
  for (service_ptr<config_store> store : enumerate_services<config_store>(r)) store->load();
}

}  // namespace lumo
