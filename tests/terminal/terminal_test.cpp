// The terminal: a capped one-character-per-byte text, and the box that shows it.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <random>

#include "app/terminal_box.h"
#include "app/terminal_text.h"
#include "tools/testbed/qt_application.h"

namespace {

// The cap applied one byte at a time, as the terminal is defined.
void AppendByteByByte(std::string& text, std::string_view block) {
  for (char c : block) {
    if (text.size() >= TerminalText::kCap) text.erase(0, TerminalText::kDrop);
    text.push_back(c);
  }
}

std::string RandomBlock(std::mt19937& random, std::size_t size) {
  // Mostly line breaks and letters, so CR LF pairs often straddle blocks and drops.
  static const char kAlphabet[] = {'\r', '\n', '\r', '\n', 'a', 'b', '\0', '\t', '\xC7', '\x7F'};
  std::string block;
  for (std::size_t i = 0; i < size; ++i) block.push_back(kAlphabet[random() % sizeof kAlphabet]);
  return block;
}

}  // namespace

TEST(TerminalText, RenderingOfBreaksAndControls) {
  EXPECT_EQ(RenderTerminal("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
  EXPECT_EQ(RenderTerminal("\n\r\r\n\n"), QStringLiteral("\n\n\n\n"));
  // An LF after the CR that ended the previous block adds nothing.
  EXPECT_EQ(RenderTerminal("\nx", '\r'), QStringLiteral("x"));
  EXPECT_EQ(RenderTerminal(std::string("\0\t\x1B\x7F", 4)), QStringLiteral("␀␉␛␡"));
  EXPECT_EQ(RenderTerminal("OK \xC7\xE0"), QStringLiteral("OK За"));
  EXPECT_EQ(RenderedLength("a\r\nb\r\r\n\n"), 6u);
}

TEST(TerminalBox, ShowsWhatItHoldsAcrossDrops) {
  testbed::EnsureApplication();
  TerminalBox box;
  std::mt19937 random(11);
  std::string reference;
  for (int round = 0; round < 120; ++round) {
    // Now and then one block larger than the cap, which drops several times.
    std::string block = RandomBlock(random, round % 40 == 20 ? 20000 : 1 + random() % 512);
    if (round % 7 == 0) block.back() = '\r';  // a CR LF pair split between blocks
    if (round % 7 == 1) block.front() = '\n';
    box.AppendBytes(block);
    AppendByteByByte(reference, block);
    ASSERT_EQ(box.Bytes(), reference) << round;
    ASSERT_EQ(box.DisplayLines().join(u'\n'), RenderTerminal(reference)) << round;
  }
  box.ClearBytes();
  EXPECT_TRUE(box.Bytes().empty());
  EXPECT_EQ(box.DisplayLines(), QStringList{QString()});
}
