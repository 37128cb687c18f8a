#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/abort.h"
#include "ui/album_picture.h"
#include "ui/key_text.h"
#include "ui/link_text.h"
#include "ui/main_layout.h"
#include "ui/theme.h"

namespace lumo {
namespace {

std::optional<std::string> fake_names(uint8_t key) {
  if (key == 'C') return "C";
  if (key == 0x10) return "Shift";
  if (key == 0x11) return "Ctrl";
  if (key == 0x70) return "F1";
  return std::nullopt;
}

TEST(KeyText, ModifiersInFixedOrderAndNeverRepeatedForTheKeyItself) {
  EXPECT_EQ(key_combination_text('C' | key_ctrl | key_shift, fake_names), "Shift+Ctrl+C");
  EXPECT_EQ(key_combination_text('C' | key_win | key_alt | key_ctrl | key_shift, fake_names),
            "Shift+Ctrl+Alt+Win+C");
  EXPECT_EQ(key_combination_text(0x10 | key_shift, fake_names), "Shift");
  EXPECT_EQ(key_combination_text(0x11 | key_ctrl | key_shift, fake_names), "Shift+Ctrl");
  EXPECT_EQ(key_combination_text(0xa2 | key_ctrl, fake_names), "(unknown)");  // left Ctrl, no name
  EXPECT_EQ(key_combination_text(0x70 | key_alt, fake_names), "Alt+F1");
  // Fixed names win over whatever the keyboard layout says.
  EXPECT_EQ(key_combination_text(0x22, fake_names), "Page Down");
  EXPECT_EQ(key_combination_text(0xb3 | key_ctrl, fake_names), "Ctrl+Play / Pause (MM)");
  EXPECT_EQ(key_combination_text(0xab, fake_names), "Favourites (MM)");
  EXPECT_EQ(key_combination_text(0x90, fake_names), "Num Lock");
  EXPECT_EQ(key_combination_text(0xe9, fake_names), "(unknown)");
  EXPECT_EQ(key_combination_text(0xe9, key_name_lookup()), "(unknown)");
}

TEST(Theme, MulDivRoundsHalfAwayFromZeroLikeWindows) {
  EXPECT_EQ(mul_div(255, 50, 100), 128);
  EXPECT_EQ(mul_div(-255, 50, 100), -128);
  EXPECT_EQ(mul_div(-1, 1, 2), -1);
  EXPECT_EQ(mul_div(1, 1, 3), 0);
  EXPECT_EQ(mul_div(5, 7, -2), -18);
  EXPECT_EQ(mul_div(1, 1, 0), -1);
  EXPECT_EQ(mul_div(INT32_MAX, 4, 2), -1);
  EXPECT_EQ(mul_div(INT32_MAX, 4, 4), INT32_MAX);
}

TEST(Theme, ClassicHighlightIsTheChannelMidpointAndOtherSetsAreFixed) {
  // The Windows 10 defaults: highlight 0x00D77800, window white.
  EXPECT_EQ(classic_highlight(0xd77800, 0xffffff), 0xebbc80u);
  // Going down (window darker than highlight) rounds away from zero too: 0xff->0x00 is 127.5.
  EXPECT_EQ(classic_highlight(0xffffff, 0x000000), 0x7f7f7fu);
  EXPECT_EQ(classic_highlight(0x123456, 0x123456), 0x123456u);

  const system_colours sys{0x111111, 0xeeeeee, 0xd77800};
  const colour_set classic = colours_for(theme_kind::classic, sys);
  EXPECT_EQ(classic.text, 0x111111u);
  EXPECT_EQ(classic.background, 0xeeeeeeu);
  EXPECT_EQ(classic.link, 0xff0000u);
  EXPECT_EQ(classic.highlight, classic_highlight(0xd77800, 0xeeeeee));
  const colour_set black = colours_for(theme_kind::black, sys);
  EXPECT_EQ(black.text, 0xffffffu);
  EXPECT_EQ(black.link, 0xff6060u);
  EXPECT_EQ(black.background, 0u);
  EXPECT_EQ(black.highlight, 0xc00000u);
  EXPECT_EQ(colours_for(theme_kind::graphite, sys).background, 0xa0a0a0u);
  EXPECT_EQ(colours_for(theme_kind::white, sys).highlight, 0xff8000u);

  for (const theme_entry& t : all_themes) EXPECT_EQ(theme_from_guid(t.id), t.kind);
  EXPECT_EQ(theme_from_guid(guid{}), theme_kind::classic);
  EXPECT_EQ(theme_from_guid(
                {0xf96de72eu, 0xa4f1, 0x41a2, {0x87, 0x86, 0x6e, 0x72, 0x22, 0x85, 0x48, 0x78}}),
            theme_kind::classic);
  const theme_kind before = current_theme();
  set_current_theme(theme_kind::graphite);
  EXPECT_EQ(current_theme(), theme_kind::graphite);
  set_current_theme(before);
}

TEST(LinkText, NavigationBarNamesOneFolderInTheSingular) {
  EXPECT_EQ(navigation_bar_text(1),
            "Navigation: <a>genres</a> <a>artists</a> <a>albums</a> <a>music folder</a> "
            "<a>my computer</a>");
  EXPECT_NE(navigation_bar_text(2).find("<a>music folders</a>"), std::string::npos);
  EXPECT_NE(navigation_bar_text(0).find("<a>music folders</a>"), std::string::npos);
  size_t links = 0;
  for (const link_run& r : split_link_runs(navigation_bar_text(3))) links += r.link >= 0;
  EXPECT_EQ(links, navigation_target_count);
}

TEST(LinkText, ParsingSplitsPlainAndLinkRunsAndEscapedNamesCannotFormMarkup) {
  std::vector<link_run> runs = split_link_runs("Album: <a>One</a>, <a>Two</a> end");
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs[0].text, "Album: ");
  EXPECT_EQ(runs[0].link, -1);
  EXPECT_EQ(runs[1].text, "One");
  EXPECT_EQ(runs[1].link, 0);
  EXPECT_EQ(runs[3].text, "Two");
  EXPECT_EQ(runs[3].link, 1);
  EXPECT_EQ(runs[4].text, " end");

  runs = split_link_runs("a <b> <a>open");
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].text, "a <b> ");
  EXPECT_EQ(runs[1].link, 0);
  EXPECT_TRUE(split_link_runs("").empty());

  EXPECT_EQ(escape_link_name("x<a>y"), "x < a > y");
  EXPECT_EQ(escape_link_name("<b>"), "< b >");
  EXPECT_EQ(escape_link_name("a < b"), "a < b");
  const std::string escaped = "<a>" + escape_link_name("</a><a>") + "</a>";
  runs = split_link_runs(escaped);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].link, 0);
}

TEST(LinkText, NowPlayingLinesLinkArtistAlbumAndOtherAlbumArtist) {
  now_playing_fields f{"Song", " [0:05 / 3:00]", "Guest", "Band", "Record", "Band", "1999"};
  now_playing_text t = format_now_playing(f);
  EXPECT_EQ(t.line1, "Song [0:05 / 3:00]");
  EXPECT_EQ(t.line2, "Artist: <a>Guest</a>, album: <a>Record</a> by <a>Band</a> [1999]");
  EXPECT_EQ(t.line2_links,
            (std::vector<now_playing_link>{now_playing_link::artist, now_playing_link::album,
                                           now_playing_link::album_artist}));
  t = format_now_playing({"Song", "", "", "", "", "", ""});
  EXPECT_EQ(t.line2, "Artist: Unknown artist");
  EXPECT_TRUE(t.line2_links.empty());
}

TEST(AlbumPicture, NamesAreTriedInTheirFixedOrder) {
  auto having = [](std::vector<std::string> names) {
    return [names](std::string_view n) {
      return std::find(names.begin(), names.end(), n) != names.end();
    };
  };
  EXPECT_EQ(choose_album_picture_file(having({"folder.jpg", "front.jpg"})), "front.jpg");
  EXPECT_EQ(choose_album_picture_file(having({"cover.jpg", "front cover.jpg"})), "front cover.jpg");
  EXPECT_EQ(choose_album_picture_file(having({"folder.jpg"})), "folder.jpg");
  EXPECT_EQ(choose_album_picture_file(having({"back.jpg", "front.png"})), std::nullopt);

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lumo-ui-art-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "folder.jpg") << "x";
  std::ofstream(dir / "cover.jpg") << "x";
  const std::string track = "file://" + (dir / "01.wav").string();
  EXPECT_EQ(find_album_picture_file(track), "file://" + (dir / "cover.jpg").string());
  std::filesystem::remove(dir / "cover.jpg");
  std::filesystem::remove(dir / "folder.jpg");
  EXPECT_EQ(find_album_picture_file(track), std::nullopt);
  EXPECT_EQ(find_album_picture_file("nowhere"), std::nullopt);
  std::filesystem::remove_all(dir);
}

// The now-playing picture: the embedded front cover first, then the picture files; a
// damaged tag is reported and the files still answer.
TEST(AlbumPicture, EmbeddedFrontCoverBeforeThePictureFiles) {
  namespace fs = std::filesystem;
  const fs::path fixtures(LUMO_TEST_FIXTURES);
  auto bytes_of = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  };
  const fs::path dir =
      fs::temp_directory_path() / ("lumo-ui-embedded-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::copy_file(fixtures / "id3/eyed3_v24.mp3", dir / "tagged.mp3");
  fs::copy_file(fixtures / "mpeg/cbr128_notag_44k.mp3", dir / "plain.mp3");
  const std::vector<uint8_t> cover = bytes_of(fixtures / "id3/cover.jpg");
  const std::vector<uint8_t> folder_picture{0xff, 0xd8, 0xff, 0xe0, 'f', 'o', 'l', 'd'};
  std::vector<std::string> problems;
  auto report = [&](const std::string& p) { problems.push_back(p); };
  auto read = [&](const char* name) {
    return read_album_picture("file://" + (dir / name).string(), abort_none(), report);
  };

  EXPECT_EQ(read("tagged.mp3"), cover);
  EXPECT_EQ(read("plain.mp3"), std::nullopt);
  std::ofstream(dir / "folder.jpg", std::ios::binary)
      .write(reinterpret_cast<const char*>(folder_picture.data()), folder_picture.size());
  EXPECT_EQ(read("tagged.mp3"), cover);  // the embedded picture wins
  EXPECT_EQ(read("plain.mp3"), folder_picture);
  EXPECT_TRUE(problems.empty());

  // A tag whose picture frame runs past the tag's end.
  std::vector<uint8_t> damaged = bytes_of(dir / "tagged.mp3");
  const std::string apic = "APIC";
  auto at = std::search(damaged.begin(), damaged.end(), apic.begin(), apic.end());
  ASSERT_NE(at, damaged.end());
  at[4] = 0x7f;  // syncsafe size far beyond the tag
  std::ofstream(dir / "damaged.mp3", std::ios::binary)
      .write(reinterpret_cast<const char*>(damaged.data()), damaged.size());
  EXPECT_EQ(read("damaged.mp3"), folder_picture);
  EXPECT_EQ(problems.size(), 1u);
  fs::remove(dir / "folder.jpg");
  EXPECT_EQ(read("missing.mp3"), std::nullopt);
  fs::remove_all(dir);
}

TEST(MainLayout, DesignSizeMapsDialogUnitsAndExtraRoomGoesToTheList) {
  const dialog_base_units base{6, 13};  // 8-point MS Shell Dlg at 96 DPI
  EXPECT_EQ(dlu_to_pixels_x(340, base), 510);
  EXPECT_EQ(dlu_to_pixels_y(200, base), 325);
  main_layout l = layout_main_window(base, 510, 325, false);
  EXPECT_EQ(l[window_part::play_pause], (pixel_rect{0, 0, 30, 33}));
  EXPECT_EQ(l[window_part::list], (pixel_rect{0, 83, 510, 242}));
  EXPECT_EQ(l[window_part::menu].right(), 510);
  // Neighbours share edges exactly, whatever the rounding.
  EXPECT_EQ(l[window_part::rewind].bottom(), l[window_part::repeat].y);
  EXPECT_EQ(l[window_part::navigation_bar].bottom(), l[window_part::view_title].y);
  EXPECT_EQ(l[window_part::picture].width, 0);

  l = layout_main_window(base, 910, 725, true);
  EXPECT_EQ(l[window_part::list], (pixel_rect{0, 83, 910, 642}));
  EXPECT_EQ(l[window_part::separator].width, dlu_to_pixels_x(336, base) + 400);
  EXPECT_EQ(l[window_part::menu].right(), 910);
  EXPECT_EQ(l[window_part::back], (pixel_rect{0, 49, 30, 32}));
  EXPECT_GT(l[window_part::picture].width, 0);
  EXPECT_LE(l[window_part::now_playing_1].right(), l[window_part::picture].x);
  const pixel_rect& notice = l[window_part::indexing_notice];
  EXPECT_EQ(notice.x + notice.width / 2, 455);

  // 200 % DPI: base units double, so does every part.
  const main_layout big = layout_main_window({12, 26}, 1020, 650, false);
  EXPECT_EQ(big[window_part::list], (pixel_rect{0, 166, 1020, 484}));
  // Smaller than the design: parts keep their design places.
  EXPECT_EQ(layout_main_window(base, 100, 100, false)[window_part::menu].right(), 510);
}

}  // namespace
}  // namespace lumo
