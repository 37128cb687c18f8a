#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace lumo;
using args = std::vector<std::string>;

TEST(CommandLine, SplitsOnSpaceRunsAndQuotes) {
  EXPECT_EQ(split_command_line(R"("C:\Program Files\Lumo\Lumo.exe" /play  D:\a.mp3)"),
            (args{R"(C:\Program Files\Lumo\Lumo.exe)", "/play", R"(D:\a.mp3)"}));
  // Quotes may start mid-argument and are dropped; an empty pair is an empty argument.
  EXPECT_EQ(split_command_line(R"(lumo x"y z"w "" end)"), (args{"lumo", "xy zw", "", "end"}));
  // An unclosed quote runs to the end; leading and trailing spaces make nothing.
  EXPECT_EQ(split_command_line(R"(  lumo "a b   )"), (args{"lumo", "a b   "}));
  EXPECT_EQ(split_command_line(""), args{});
  // Only spaces separate: a tab belongs to the argument.
  EXPECT_EQ(split_command_line("a\tb c"), (args{"a\tb", "c"}));
}

TEST(CommandLine, StartupSwitchesAreExactAndCaseSensitive) {
  args a{"lumo", "/QUIET", "-quiet", "/hide"};
  EXPECT_FALSE(has_startup_switch(a, "quiet"));
  EXPECT_TRUE(has_startup_switch(a, "hide"));
  // The program path is never a switch.
  EXPECT_FALSE(has_startup_switch(args{"/quiet"}, "quiet"));

  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "0x409"}), 1033u);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "1033"}), 1033u);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "0X804"}), 0x804u);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang"}), std::nullopt);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "german"}), std::nullopt);
  EXPECT_EQ(startup_language_id(args{"lumo", "/LANG", "1031"}), std::nullopt);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "0x10409"}), std::nullopt);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "65536"}), std::nullopt);
  EXPECT_EQ(startup_language_id(args{"lumo", "/lang", "65535"}), 65535u);
}

TEST(CommandLine, InstanceKeyIgnoresLetterCaseAndSeparatesProfiles) {
  // CRC-32 of the lower-cased text: the check value of "123456789" is 0xCBF43926.
  EXPECT_EQ(instance_key("123456789"), 0xCBF43926u);
  const std::string profile = R"(file://C:\Users\Anna\AppData\Roaming\Lumo Audio Player)";
  EXPECT_EQ(instance_key(profile),
            instance_key(R"(file://c:\users\anna\appdata\roaming\lumo audio player)"));
  EXPECT_NE(instance_key(R"(file://E:\Lumo\lumo-configuration)"),
            instance_key(R"(file://F:\Lumo\lumo-configuration)"));
  // Letters beyond ASCII fold too ("Ä" and "ä").
  EXPECT_EQ(instance_key("file://C:\\M\xC3\x84sik"), instance_key("file://c:\\m\xC3\xA4sik"));
  EXPECT_EQ(instance_mutex_name(0xCBF43926u),
            "{635F3E50-DF53-448A-B03F-ABFAB61F63E2}-Lumo-instance-CBF43926");
  EXPECT_EQ(instance_mutex_name(0x1Au),
            "{635F3E50-DF53-448A-B03F-ABFAB61F63E2}-Lumo-instance-0000001A");
}

TEST(CommandLine, BuiltinSwitchesMatchOnlyTheirSlashFormsIgnoringCase) {
  EXPECT_EQ(match_builtin_switch("/Play").command, main_command::play);
  EXPECT_EQ(match_builtin_switch("/Play").answer, 1);
  EXPECT_EQ(match_builtin_switch("/QUIT").command, main_command::exit);
  EXPECT_EQ(match_builtin_switch("/prev").command, main_command::previous);
  EXPECT_EQ(match_builtin_switch("/Hide").command, main_command::hide_window);
  // "/lang" claims the argument after it; its command is none.
  EXPECT_EQ(match_builtin_switch("/LANG").answer, 2);
  EXPECT_EQ(match_builtin_switch("/LANG").command, std::nullopt);
  for (const char* other : {"-play", "/help", "/?", "/quiet", "/playx", ""})
    EXPECT_EQ(match_builtin_switch(other).answer, 0) << other;
}
