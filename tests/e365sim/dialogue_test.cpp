#include "tools/e365sim/dialogue.h"

#include <gtest/gtest.h>

#include <random>

namespace e365sim {
namespace {

const std::vector<Memo> kMemos = {
    {"memo01", "/m/memo01.amr", 5350},
    {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "/m/elka.amr", 17},  // Ёлка
    {"Two words", "/m/two.amr", 0},
    {"\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB0_1_\xD0\xB2\xD1\x81\xD1\x82\xD1\x80\xD0\xB5\xD1\x87\xD0\xB0",
     "/m/long.amr", 42},  // Заметка_1_встреча: 31 bytes
};

Reply say(const Dialogue& dialogue, const std::string& line) { return dialogue.answer({line, false}, kMemos); }

TEST(Dialogue, AnswersEachQueryWithItsEchoAndLayout) {
  Dialogue phone{DialogueSettings{}};
  EXPECT_EQ(say(phone, "ATZ").text, "ATZ\r\r\nOK\r\n");
  EXPECT_EQ(say(phone, "AT").text, "AT\r\r\nOK\r\n");
  EXPECT_EQ(say(phone, "AT+GMM").text, "AT+GMM\r\r\nE365\r\n\r\nOK\r\n");
  EXPECT_EQ(say(phone, "AT+GMR").text, "AT+GMR\r\r\nR365_G_0B.A0.1DR\r\n\r\nOK\r\n");
  // Commands are read in either case; the echo repeats what came.
  EXPECT_EQ(say(phone, "at+gmm").text, "at+gmm\r\r\nE365\r\n\r\nOK\r\n");

  Reply sms = say(phone, "AT+CMGL=4");
  EXPECT_TRUE(sms.text.starts_with("AT+CMGL=4\r\r\n+CMGL: 1,1,,30\r\n07919761989901F0"));
  EXPECT_TRUE(sms.text.ends_with("\r\n\r\nOK\r\n"));
  EXPECT_EQ(std::count(sms.text.begin(), sms.text.end(), '\n'), 7);

  DialogueSettings other;
  other.model = "V300";
  other.firmware = "X1";
  EXPECT_EQ(say(Dialogue{other}, "AT+GMM").text, "AT+GMM\r\r\nV300\r\n\r\nOK\r\n");
  EXPECT_EQ(say(Dialogue{other}, "AT+GMR").text, "AT+GMR\r\r\nX1\r\n\r\nOK\r\n");
}

TEST(Dialogue, ListsEveryMemoOnItsOwnLineThenTransferOk) {
  Dialogue phone{DialogueSettings{}};
  Reply listing = say(phone, "AT%PCTL=DIR /Voice Memo");
  EXPECT_FALSE(listing.transfer);
  const std::string expected =
      "AT%PCTL=DIR /Voice Memo\r\r\n"
      "memo01 | FRW | 5350\r\n"
      "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 | FRW | 17\r\n"
      "Two words | FRW | 0\r\n" +
      kMemos[3].name + " | FRW | 42\r\n" +
      "Transfer OK\r\n"
      "\r\nOK\r\n";
  EXPECT_EQ(listing.text, expected);
  // The tool skips 26 characters of echo and line break before the first name.
  EXPECT_EQ(listing.text.substr(26, 6), "memo01");

  EXPECT_EQ(phone.answer({"AT%PCTL=DIR /Voice Memo", false}, {}).text,
            "AT%PCTL=DIR /Voice Memo\r\r\nTransfer OK\r\n\r\nOK\r\n");
}

TEST(Dialogue, GetSendsTheMemoAnnouncedByItsFirst30Bytes) {
  Dialogue phone{DialogueSettings{}};
  Reply get = say(phone, "AT%PCTL=GET /Voice Memo/memo01");
  EXPECT_EQ(get.text, "AT%PCTL=GET /Voice Memo/memo01\r");
  ASSERT_TRUE(get.transfer);
  EXPECT_EQ(get.transfer->path, "/m/memo01.amr");
  EXPECT_EQ(get.transfer->announced, "memo01");

  Reply space = say(phone, "AT%PCTL=GET /Voice Memo/Two words");
  ASSERT_TRUE(space.transfer);
  EXPECT_EQ(space.transfer->path, "/m/two.amr");

  // 31 bytes of name: the announcement stops at 30, inside the last letter.
  Reply long_name = say(phone, "AT%PCTL=GET /Voice Memo/" + kMemos[3].name);
  ASSERT_TRUE(long_name.transfer);
  EXPECT_EQ(long_name.transfer->announced, kMemos[3].name.substr(0, 30));
  EXPECT_EQ(long_name.transfer->announced.size(), 30u);

  DialogueSettings renaming;
  renaming.announce_as = "../other";
  Reply renamed = Dialogue{renaming}.answer({"AT%PCTL=GET /Voice Memo/memo01", false}, kMemos);
  ASSERT_TRUE(renamed.transfer);
  EXPECT_EQ(renamed.transfer->announced, "../other");
  EXPECT_EQ(renamed.transfer->path, "/m/memo01.amr");
}

TEST(Dialogue, GetMatchesNamesByteForByte) {
  Dialogue phone{DialogueSettings{}};
  for (const char* wrong : {"memo1", "MEMO01", "memo01 ", " memo01", "memo01.amr", "", "Two  words",
                            "\xD0\x81\xD0\xBB\xD0\xBA"}) {
    Reply reply = say(phone, std::string("AT%PCTL=GET /Voice Memo/") + wrong);
    EXPECT_EQ(reply.text, std::string("AT%PCTL=GET /Voice Memo/") + wrong + "\r\r\nERROR\r\n") << wrong;
    EXPECT_FALSE(reply.transfer) << wrong;
  }
  EXPECT_FALSE(say(phone, "AT%PCTL=GET /Voice Memo").transfer);
  EXPECT_FALSE(say(phone, "AT%PCTL=GET /Other/memo01").transfer);
}

TEST(Dialogue, UnknownCommandsGetErrorAndNoiseBeforeAtIsIgnored) {
  Dialogue phone{DialogueSettings{}};
  for (const char* unknown : {"ATX", "AT+GMMX", "ATZ ", "AT%PCTL=DIR /Voice", "AT+CMGL=1", "AT%PCTL=DIR /Voice Memo/"})
    EXPECT_EQ(say(phone, unknown).text, std::string(unknown) + "\r\r\nERROR\r\n") << unknown;

  // A receiver's start-up header and XON before the command: only the command is echoed.
  EXPECT_EQ(say(phone, "**\x18" "B0100000023be50\n\x11" "ATZ").text, "ATZ\r\r\nOK\r\n");
  // A line without a command gets nothing at all, not even an echo.
  for (const char* noise : {"", "\n", "**\x18" "B0100000023be50\n\x11", "A", "T"})
    EXPECT_TRUE(say(phone, noise).text.empty()) << noise;
  EXPECT_EQ(phone.answer({"", true}, kMemos).text, "\r\nERROR\r\n");
}

TEST(Dialogue, FaultSettingsChangeOnlyWhatTheySay) {
  DialogueSettings refusing;
  refusing.error_commands = {"AT+GMR", "at%pctl=get"};
  Dialogue phone{refusing};
  EXPECT_EQ(say(phone, "AT+GMR").text, "AT+GMR\r\r\nERROR\r\n");
  EXPECT_EQ(say(phone, "AT+GMM").text, "AT+GMM\r\r\nE365\r\n\r\nOK\r\n");
  Reply get = say(phone, "AT%PCTL=GET /Voice Memo/memo01");
  EXPECT_EQ(get.text, "AT%PCTL=GET /Voice Memo/memo01\r\r\nERROR\r\n");
  EXPECT_FALSE(get.transfer);

  DialogueSettings silent;
  silent.silent_get = true;
  Reply quiet = Dialogue{silent}.answer({"AT%PCTL=GET /Voice Memo/memo01", false}, kMemos);
  EXPECT_EQ(quiet.text, "AT%PCTL=GET /Voice Memo/memo01\r");
  EXPECT_FALSE(quiet.transfer);
  // An unknown memo is still an error for a silent phone.
  EXPECT_EQ(Dialogue{silent}.answer({"AT%PCTL=GET /Voice Memo/nope", false}, kMemos).text,
            "AT%PCTL=GET /Voice Memo/nope\r\r\nERROR\r\n");
}

// Where a command starts on a line: its first "AT" in either case.
std::size_t first_at(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) == 'A' && std::toupper(static_cast<unsigned char>(text[i + 1])) == 'T')
      return i;
  return std::string::npos;
}

TEST(Dialogue, AnyBytesGetTheirCommandEchoedAndOneResultOrNothing) {
  Dialogue phone{DialogueSettings{}};
  CommandLineReader reader;
  std::mt19937 random(5);
  // Mostly the letters of commands, so that some lines are commands.
  const std::string alphabet = std::string("AaTt%+=/\r\n \x18\xD0\x81", 14) + "GMZRDIPCL";
  int answered = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string noise;
    for (int i = random() % 40; i > 0; --i)
      noise.push_back(random() % 4 ? alphabet[random() % alphabet.size()] : static_cast<char>(random()));
    std::string_view bytes = noise;
    while (auto line = reader.take(bytes)) {
      Reply reply = phone.answer(*line, kMemos);
      std::size_t at = first_at(line->text);
      if (at == std::string::npos && !line->too_long) {
        EXPECT_TRUE(reply.text.empty());
        continue;
      }
      ++answered;
      std::string echo = line->text.substr(at) + "\r";
      ASSERT_TRUE(reply.text.starts_with(echo));
      std::string result = reply.text.substr(echo.size());
      bool sends = result.empty() && reply.transfer;
      EXPECT_TRUE(sends || (result.starts_with("\r\n") && result.ends_with("\r\nOK\r\n")) || result == "\r\nERROR\r\n")
          << result;
    }
  }
  EXPECT_GT(answered, 100);
}

TEST(Dialogue, SaysOkOrErrorAfterATransfer) {
  EXPECT_EQ(Dialogue::after_transfer(true), "\r\nOK\r\n");
  EXPECT_EQ(Dialogue::after_transfer(false), "\r\nERROR\r\n");
}

}  // namespace
}  // namespace e365sim
