// Reading the phone's answers: which command was answered, the reply text, the memo listing.
#include <gtest/gtest.h>

#include "phone/answer_parser.h"

using Names = std::vector<std::string>;

namespace {

const std::string kListingEcho = "AT%PCTL=DIR /Voice Memo\r\r\n";  // 26 characters

}  // namespace

// Each command's answer as such is the window's reactions' test; here the edges.
TEST(ClassifyAnswer, EchoedCommandDecides) {
  EXPECT_EQ(ClassifyAnswer(""), AnswerKind::Ignored);
  EXPECT_EQ(ClassifyAnswer("AT+GMM\r\r\nE365\r\n\r\nOK\r\n"), AnswerKind::AcceptedModel);
  // The SMS list is never interpreted, whatever else the answer holds; the tests are case-sensitive.
  EXPECT_EQ(ClassifyAnswer("AT+CMGL=4\r AT+GMM AT%PCTL=DIR /Voice Memo\r\nOK\r\n"), AnswerKind::SmsList);
  EXPECT_EQ(ClassifyAnswer("at+gmm\r\r\nV300\r\n\r\nOK\r\n"), AnswerKind::Ignored);
  // The listing is tested before the firmware, the firmware before the model.
  EXPECT_EQ(ClassifyAnswer("AT+GMR AT+GMM"), AnswerKind::Firmware);
  EXPECT_EQ(ClassifyAnswer("AT%PCTL=DIR /Voice Memo AT+GMR"), AnswerKind::MemoList);
}

TEST(ReplyText, FromTheTenthCharacterWithoutBreaksAndOk) {
  EXPECT_EQ(ReplyText("AT+GMR\r\r\nABC123\r\n\r\nOK\r\n"), "ABC123");
  EXPECT_EQ(ReplyText("AT+GMM\r\r\nV300\r\n\r\nOK\r\n"), "V300");
  // Every "OK" goes, also one inside the reply; blanks are trimmed at both ends only.
  EXPECT_EQ(ReplyText("AT+GMM\r\r\n  TOKEN x \r\n\r\nOK\r\n"), "TEN x");
  // CR goes before "OK" is looked for, LF after: "O" CR "K" becomes nothing, "O" LF "K" stays "OK".
  EXPECT_EQ(ReplyText("AT+GMM\r\r\nO\rKA\r\n\r\nOK\r\n"), "A");
  EXPECT_EQ(ReplyText("AT+GMM\r\r\nO\nKA\r\n\r\nOK\r\n"), "OKA");
  // The last character is never part of the reply; a shorter text has none.
  EXPECT_EQ(ReplyText("123456789ABCD"), "ABC");
  EXPECT_EQ(ReplyText("123456789A"), "");
  EXPECT_EQ(ReplyText("short"), "");
}

TEST(ScanMemoNames, IncompleteListings) {
  // No "Transfer OK": scanned whole, the final "OK" is no entry.
  EXPECT_EQ(ScanMemoNames(kListingEcho + "A | FRW |\r\n\r\nOK\r\n"), (Names{"A"}));
  // No marker at all.
  EXPECT_EQ(ScanMemoNames(kListingEcho + "Transfer OK\r\n\r\nOK\r\n"), Names{});
  EXPECT_EQ(ScanMemoNames(""), Names{});
  // A marker with no CR LF after it ends the scan (no endless loop).
  EXPECT_EQ(ScanMemoNames(kListingEcho + "A | FRW |"), (Names{"A"}));
  EXPECT_EQ(ScanMemoNames(kListingEcho + "A | FRW |\r\nB | FRW | tail"), (Names{"A", "B"}));
  // Shorter than the echo: kept whole, so a marker in it still counts.
  EXPECT_EQ(ScanMemoNames("A | FRW |\r\n"), (Names{"A"}));
}
