#include "config/advanced_entries.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/exceptions.h"
#include "core/service_registry.h"

using namespace lumo;

namespace {

struct listed_entry {
  advanced_entry_kind kind;
  guid parent;
  double priority;
};

// Every entry the registry lists, by name.
std::map<std::string, listed_entry> list_entries() {
  service_registry registry;
  registry.build(static_factories());
  std::map<std::string, listed_entry> out;
  for (service_ptr<advanced_entry> e : enumerate_services<advanced_entry>(registry))
    out.emplace(std::string(e->name()), listed_entry{e->kind(), e->parent(), e->priority()});
  return out;
}

}  // namespace

TEST(AdvancedEntries, TheRegistryListsEveryEntryInItsBranch) {
  auto entries = list_entries();
  EXPECT_EQ(entries.size(), 17u);

  const guid fading = advanced::fading.id();
  const guid props = advanced::properties_dialog.id();
  const guid scheme = advanced::tag_writing_scheme.id();
  EXPECT_EQ(entries.at("Fading").parent, advanced::group_playback);
  EXPECT_EQ(entries.at("Show error message popups").parent, advanced::group_playback);
  EXPECT_EQ(entries.at("Volume step (dB)").kind, advanced_entry_kind::text);
  EXPECT_EQ(entries.at("Properties dialog").parent, advanced::group_interface);
  EXPECT_EQ(entries.at("Title display format").parent, props);
  EXPECT_EQ(entries.at("MP3").parent, advanced::group_tagging);
  EXPECT_EQ(entries.at("Tag writing scheme for untagged files").kind, advanced_entry_kind::branch);
  EXPECT_EQ(entries.at("APE + ID3v1").kind, advanced_entry_kind::radio);
  EXPECT_EQ(entries.at("APE + ID3v1").parent, scheme);

  // Display order within "Fading": seek, out, pause.
  EXPECT_EQ(entries.at("Fade on seek (ms)").parent, fading);
  EXPECT_LT(entries.at("Fade on seek (ms)").priority, entries.at("Fade out (ms)").priority);
  EXPECT_LT(entries.at("Fade out (ms)").priority, entries.at("Fade on pause (ms)").priority);

  // Each kind answers for its own interface and no other.
  service_ptr<advanced_entry> wheel(&advanced::mouse_wheel_below_pointer);
  EXPECT_TRUE(try_query<advanced_checkbox>(wheel));
  EXPECT_FALSE(try_query<advanced_integer>(wheel));
  EXPECT_THROW(query<advanced_text>(wheel), kel::exception_service_extension_not_found);
  service_ptr<advanced_entry> fade(&advanced::fade_out_ms);
  EXPECT_EQ(query<advanced_integer>(fade)->max_value(), 10000);
}

TEST(AdvancedEntries, ValuesChangeWithinTheirRulesAndReset) {
  using namespace advanced;
  EXPECT_TRUE(mouse_wheel_below_pointer.get_state());
  mouse_wheel_below_pointer.set_state(false);
  EXPECT_FALSE(mouse_wheel_below_pointer.get_state());
  mouse_wheel_below_pointer.reset();
  EXPECT_TRUE(mouse_wheel_below_pointer.get_state());

  EXPECT_EQ(fade_on_pause_ms.get_value(), 100);
  fade_on_pause_ms.set_value(0);
  fade_on_pause_ms.set_value(10000);
  EXPECT_THROW(fade_on_pause_ms.set_value(10001), kel::exception_invalid_params);
  EXPECT_THROW(fade_on_pause_ms.set_value(-1), kel::exception_invalid_params);
  EXPECT_EQ(fade_on_pause_ms.get_value(), 10000);
  fade_on_pause_ms.reset();
  EXPECT_EQ(fade_on_pause_ms.get_value(), 100);

  EXPECT_EQ(multivalue_fields.get_value(), "ARTIST;ALBUM ARTIST;PRODUCER;COMPOSER;PERFORMER;GENRE");
  volume_step_db.set_value("0,5");
  EXPECT_EQ(volume_step_db.get_value(), "0,5");
  volume_step_db.reset();
  EXPECT_EQ(volume_step_db.get_value(), "1.0");

  // One radio item per branch is set.
  EXPECT_TRUE(scheme_id3v2_id3v1.get_state());
  scheme_ape_id3v1.set_state(true);
  EXPECT_TRUE(scheme_ape_id3v1.get_state());
  EXPECT_FALSE(scheme_id3v2_id3v1.get_state());
  EXPECT_FALSE(scheme_id3v2.get_state());
  EXPECT_TRUE(show_error_popups.get_state());  // another branch: untouched
  for (advanced_checkbox_entry* e :
       {&scheme_id3v2_id3v1, &scheme_id3v2, &scheme_ape_id3v1, &scheme_ape})
    e->reset();
  EXPECT_TRUE(scheme_id3v2_id3v1.get_state());
  EXPECT_FALSE(scheme_ape_id3v1.get_state());
}
