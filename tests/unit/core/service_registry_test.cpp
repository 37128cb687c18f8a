#include "core/service_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "app/app_services.h"
#include "app/main_menu_commands.h"
#include "config/advanced_entry.h"
#include "core/config_store.h"
#include "core/popup_message.h"
#include "fs/file_system.h"
#include "input/input_entry.h"
#include "input/input_handler.h"
#include "playback/output.h"
#include "playback/playback_fields.h"

using namespace lumo;

namespace {

// Two classes whose GUIDs sort differently by bytes than by fields: data1 is stored
// little-endian, so 0x00000100 (bytes 00 01 ..) comes before 0x00000002 (bytes 02 00 ..).
class alpha : public service_base {
 public:
  static constexpr guid class_guid{0x00000002u, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  using parent_class = service_base;
  using service_class = alpha;
  virtual std::string name() const = 0;
};

class beta : public service_base {
 public:
  static constexpr guid class_guid{0x00000100u, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  using parent_class = service_base;
  using service_class = beta;
  virtual int value() const = 0;
};

// An extension of alpha that only some implementations have.
class alpha_v2 : public alpha {
 public:
  static constexpr guid class_guid{0x00000003u, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  using parent_class = alpha;
  virtual int extra() const = 0;
};

// A class nothing implements.
class orphan : public service_base {
 public:
  static constexpr guid class_guid{0x00000004u, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  using parent_class = service_base;
  using service_class = orphan;
};

std::atomic<int> g_alive{0};

class alpha_one : public alpha {
 public:
  alpha_one() { ++g_alive; }
  ~alpha_one() { --g_alive; }
  std::string name() const override { return "one"; }
};
class alpha_two : public alpha_v2 {
 public:
  std::string name() const override { return "two"; }
  int extra() const override { return 42; }
};
class beta_impl : public beta {
 public:
  int value() const override { return 7; }
};

constexpr service_factory_base::unlisted_t unlisted{};
service_factory<alpha_one> f_alpha_one(unlisted);
singleton_factory<alpha_two> f_alpha_two(unlisted);
service_factory<beta_impl> f_beta(unlisted);

TEST(ServiceRegistry, OrdersByGuidBytesAndKeepsListOrderWithinAClass) {
  service_registry r;
  EXPECT_FALSE(r.is_ready());
  r.build({&f_alpha_one, &f_beta, &f_alpha_two});
  EXPECT_TRUE(r.is_ready());

  auto all = r.all_factories();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], &f_beta);  // byte order, not field order
  EXPECT_EQ(all[1], &f_alpha_one);
  EXPECT_EQ(all[2], &f_alpha_two);

  const auto* entry = r.find_class(alpha::class_guid);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->count, 2u);
  EXPECT_EQ(r.find_class(orphan::class_guid), nullptr);

  // Duplicate GUIDs: enumeration gives every implementation, each step a new object.
  std::vector<std::string> names;
  for (service_ptr<alpha> a : enumerate_services<alpha>(r)) names.push_back(a->name());
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(enumerate_services<orphan>(r).size(), 0u);
  EXPECT_EQ(get_single_service<beta>(r)->value(), 7);

  r.clear();
  EXPECT_FALSE(r.is_ready());
  EXPECT_EQ(r.find_class(beta::class_guid), nullptr);
}

TEST(ServiceObjects, CountsQueriesAndSingletons) {
  {
    service_ptr<alpha> a = make_service<alpha_one>();
    EXPECT_EQ(g_alive, 1);
    service_ptr<alpha> copy = a;
    a.reset();
    EXPECT_EQ(g_alive, 1);  // copy still holds it
    // query_interface adds a reference and hands out the same object.
    service_ptr<service_base> base = try_query<service_base>(copy);
    copy.reset();
    EXPECT_EQ(g_alive, 1);
    EXPECT_FALSE(try_query<alpha_v2>(base));
    EXPECT_THROW(query<alpha_v2>(base), kel::exception_service_extension_not_found);
    try {
      query<alpha_v2>(base);
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), "Service extension not found");
    }
  }
  EXPECT_EQ(g_alive, 0);

  // The singleton is one object, alive however often it is released.
  service_ptr<service_base> s1 = f_alpha_two.create();
  service_ptr<service_base> s2 = f_alpha_two.create();
  EXPECT_EQ(s1, s2);
  for (int i = 0; i < 3; ++i) s1->release();
  service_ptr<alpha_v2> v2 = query<alpha_v2>(s1);
  EXPECT_EQ(v2->extra(), 42);
  EXPECT_EQ(v2->name(), "two");
}

// Start-up's build: the input entry must be unique, then every store loads, in order.
class test_input_entry : public service_base {
 public:
  static constexpr guid class_guid = input_entry_class_guid;
  using parent_class = service_base;
  using service_class = test_input_entry;
};

std::vector<std::string> g_loads;
template <char Name>
class test_store : public config_store {
 public:
  void load() override { g_loads.push_back(std::string(1, Name)); }
  void save(bool) override {}
  void save_now() override {}
};

service_factory<test_input_entry> f_entry(unlisted), f_entry2(unlisted);
singleton_factory<test_store<'a'>> f_store_a(unlisted);
singleton_factory<test_store<'b'>> f_store_b(unlisted);

TEST(ServiceRegistry, StartupBuildChecksInputEntryThenLoadsStores) {
  build_services({&f_store_b, &f_entry, &f_store_a});
  EXPECT_TRUE(services().is_ready());
  EXPECT_EQ(g_loads, (std::vector<std::string>{"b", "a"}));

  for (auto list : {std::vector<const service_factory_base*>{&f_entry, &f_entry2, &f_store_a},
                    std::vector<const service_factory_base*>{&f_store_a}}) {
    g_loads.clear();
    try {
      build_services(list);
      ADD_FAILURE() << "a damaged install went unnoticed";
    } catch (const kel::exception_messagebox& e) {
      EXPECT_STREQ(e.what(),
                   "Internal error - one or more of the installed components have been damaged.");
    }
    EXPECT_TRUE(g_loads.empty());  // no store is loaded from a damaged install
  }
  services().build(static_factories());
}

// Every service the linked modules register. A registration that drops out of the link
// (or a module that stops being linked whole) shows up here.
TEST(ServiceRegistry, EveryKnownServiceIsRegistered) {
#ifdef _WIN32
  constexpr bool windows = true;  // the main window and the message filters
#else
  constexpr bool windows = false;
#endif
#ifdef LUMO_TEST_SWITCHES
  constexpr bool test_switches = true;
#else
  constexpr bool test_switches = false;
#endif
  service_registry r;
  r.build(static_factories());
  struct expected {
    const char* name;
    guid class_guid;
    size_t count;
  };
  const expected known[] = {
      {"popup message", popup_message::class_guid, 1},
      {"configuration store", config_store::class_guid, 2},
      {"advanced preference entry", advanced_entry::class_guid, 17},
      {"input entry", input_entry::class_guid, 1},
      {"output module", output_entry::class_guid, windows ? 3u : 2u},
      {"main-menu commands", main_menu_commands::class_guid, 2},
      {"switch handler", switch_handler::class_guid, test_switches ? (windows ? 3u : 2u) : 1u},
      {"user interface", user_interface::class_guid, windows ? 1u : 0u},
      {"message filter", message_filter::class_guid, windows ? 2u : 0u},
      {"file system", file_system::class_guid, 3},
      {"input handler", input_handler::class_guid, 4},
      {"playback fields", playback_fields::class_guid, 1},
  };
  size_t total = 0;
  for (const expected& e : known) {
    EXPECT_EQ(r.factories_of(e.class_guid).size(), e.count) << e.name;
    total += e.count;
  }
  EXPECT_EQ(r.all_factories().size(), total) << "a registered service is missing from this list";
}

}  // namespace
