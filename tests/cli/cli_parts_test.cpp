#include <gtest/gtest.h>

#include "tools/vokarel-cli/command_line.h"
#include "tools/vokarel-cli/memo_json.h"
#include "tools/vokarel-cli/progress_view.h"

TEST(CliCommandLine, RefusesWhatAScriptCouldMeanTwoWays) {
  for (const auto& bad : std::vector<std::vector<std::string>>{
           {}, {"fetch"}, {"get"}, {"get", "--all", "a"}, {"list", "--all"}, {"identify", "--json"},
           {"--port", "0", "list"}, {"--port", "257", "list"}, {"--port"}, {"--speed", "fast", "list"}, {"--speed", "12345", "list"},
           {"list", "extra"}, {"--verbose", "list"}, {"--port", "5", "--device", "/dev/ttyACM0", "list"}}) {
    std::string error;
    EXPECT_FALSE(cli::parse_command_line(bad, error)) << testing::PrintToString(bad);
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  auto o = cli::parse_command_line(
      {"--device", "/dev/serial/by-id/usb-x", "--speed", "115200", "get", "--dir", "/tmp/m", "Лекция", "memo01"}, error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->device, "/dev/serial/by-id/usb-x");
  EXPECT_EQ(o->speed, 115200);
  EXPECT_EQ(o->dir, "/tmp/m");
  EXPECT_EQ(o->names, (std::vector<std::string>{"Лекция", "memo01"}));
  EXPECT_EQ(cli::parse_command_line({"--port", "7", "get", "--all"}, error)->port, 7);
}

TEST(CliProgress, BarFitsItsWidthAndSaysWhatIsLeft) {
  const cli::ProgressSample half{"Заметка_1_встреча_с_клиентом", 61440, 122880, 10.0};
  const std::string line = cli::bar_line(half, 80);
  EXPECT_NE(line.find(" 50%"), std::string::npos) << line;
  EXPECT_NE(line.find("6.0 KB/s"), std::string::npos) << line;
  EXPECT_NE(line.find("0:10 left"), std::string::npos) << line;
  int columns = 0;
  for (unsigned char c : line) columns += (c & 0xC0) != 0x80;
  EXPECT_LE(columns, 79) << line;
  EXPECT_EQ(cli::plain_line(half), "Заметка_1_встреча_с_клиентом: 61440 of 122880 bytes (50%)");
}

TEST(CliJson, EscapesTheNameAndGivesTheRawBytesAsTheyCame) {
  EXPECT_EQ(cli::memo_json("a\"b\\c\n", std::string("\xD0\x9B\x00z", 4)),
            "{\"name\":\"a\\\"b\\\\c\\u000a\",\"raw\":\"d09b007a\"}");
}

