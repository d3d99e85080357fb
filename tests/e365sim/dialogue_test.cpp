#include "tools/e365sim/dialogue.h"

#include <gtest/gtest.h>

namespace e365sim {
namespace {

const std::string kLongName =  // Заметка_1_встреча: 31 bytes, byte 30 inside the last letter
    "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB0_1_\xD0\xB2\xD1\x81\xD1\x82\xD1\x80\xD0\xB5\xD1\x87\xD0\xB0";
const std::vector<Memo> kMemos = {
    {"memo01", "/m/memo01.amr", 5350},
    {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "/m/elka.amr", 17},  // Ёлка
    {"Two words", "/m/two.amr", 0},
    {kLongName, "/m/long.amr", 42},
};
const std::string kGet = "AT%PCTL=GET /Voice Memo/";

DialogueSettings fault(void (*change)(DialogueSettings&)) {
  DialogueSettings settings;
  change(settings);
  return settings;
}

// Every line gets its echo and one result, or a memo to send after the echo alone.
TEST(Dialogue, AnswersEachLineWithItsEchoAndResult) {
  const std::string ok = "\r\r\nOK\r\n", error = "\r\r\nERROR\r\n";
  const DialogueSettings plain;
  const DialogueSettings other = fault([](DialogueSettings& s) { s.model = "V300"; s.firmware = "X1"; });
  const DialogueSettings refusing = fault([](DialogueSettings& s) { s.error_commands = {"AT+GMR", "at%pctl=get"}; });
  const DialogueSettings silent = fault([](DialogueSettings& s) { s.silent_get = true; });
  const DialogueSettings renaming = fault([](DialogueSettings& s) { s.announce_as = "../other"; });
  struct Row {
    const DialogueSettings& settings;
    std::string line, text, path = {}, announced = {};  // no path: nothing to send
  } const rows[] = {
      {plain, "ATZ", "ATZ" + ok},
      {plain, "AT+GMM", "AT+GMM\r\r\nE365\r\n\r\nOK\r\n"},
      {plain, "at+gmm", "at+gmm\r\r\nE365\r\n\r\nOK\r\n"},  // either case; the echo repeats what came
      {plain, "AT+GMR", "AT+GMR\r\r\nR365_G_0B.A0.1DR\r\n\r\nOK\r\n"},
      {other, "AT+GMM", "AT+GMM\r\r\nV300\r\n\r\nOK\r\n"},
      {other, "AT+GMR", "AT+GMR\r\r\nX1\r\n\r\nOK\r\n"},
      {plain, "ATX", "ATX" + error},
      {plain, "AT+GMMX", "AT+GMMX" + error},
      {plain, "ATZ ", "ATZ " + error},
      {plain, "AT+CMGL=1", "AT+CMGL=1" + error},
      {plain, "AT%PCTL=DIR /Voice Memo/", "AT%PCTL=DIR /Voice Memo/" + error},
      // Every memo on its own line, then the transfer's OK.
      {plain, "AT%PCTL=DIR /Voice Memo",
       "AT%PCTL=DIR /Voice Memo\r\r\nmemo01 | FRW | 5350\r\n\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 | FRW | 17\r\n"
       "Two words | FRW | 0\r\n" + kLongName + " | FRW | 42\r\nTransfer OK\r\n\r\nOK\r\n"},
      // A receiver's start-up header and XON before the command: only the command is echoed.
      {plain, "**\x18" "B0100000023be50\n\x11" "ATZ", "ATZ" + ok},
      {plain, kGet + "memo01", kGet + "memo01\r", "/m/memo01.amr", "memo01"},
      {plain, kGet + kLongName, kGet + kLongName + "\r", "/m/long.amr", kLongName.substr(0, 30)},
      {renaming, kGet + "memo01", kGet + "memo01\r", "/m/memo01.amr", "../other"},
      // Names match byte for byte.
      {plain, kGet + "memo1", kGet + "memo1" + error},
      {plain, kGet + "MEMO01", kGet + "MEMO01" + error},
      {plain, kGet + "memo01 ", kGet + "memo01 " + error},
      {plain, kGet + "\xD0\x81\xD0\xBB\xD0\xBA", kGet + "\xD0\x81\xD0\xBB\xD0\xBA" + error},
      {plain, kGet, kGet + error},
      {plain, "AT%PCTL=GET /Other/memo01", "AT%PCTL=GET /Other/memo01" + error},
      {refusing, "AT+GMR", "AT+GMR" + error},
      {refusing, "AT+GMM", "AT+GMM\r\r\nE365\r\n\r\nOK\r\n"},
      {refusing, kGet + "memo01", kGet + "memo01" + error},
      {silent, kGet + "memo01", kGet + "memo01\r"},
      {silent, kGet + "nope", kGet + "nope" + error},
      // A line without a command gets nothing at all, not even an echo.
      {plain, "", ""},
      {plain, "**\x18" "B0100000023be50\n\x11", ""},
      {plain, "A", ""},
  };
  for (const Row& row : rows) {
    const Reply reply = Dialogue{row.settings}.answer({row.line, false}, kMemos);
    EXPECT_EQ(reply.text, row.text) << row.line;
    EXPECT_EQ(reply.transfer ? reply.transfer->path : "", row.path) << row.line;
    EXPECT_EQ(reply.transfer ? reply.transfer->announced : "", row.announced) << row.line;
  }
  EXPECT_EQ(Dialogue{plain}.answer({"", true}, kMemos).text, "\r\nERROR\r\n");  // a runaway line

  const std::string sms = Dialogue{plain}.answer({"AT+CMGL=4", false}, kMemos).text;
  EXPECT_TRUE(sms.starts_with("AT+CMGL=4\r\r\n+CMGL: 1,1,,30\r\n07919761989901F0"));
  EXPECT_TRUE(sms.ends_with("\r\n\r\nOK\r\n"));
}

}  // namespace
}  // namespace e365sim
