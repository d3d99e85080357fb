// The answer read as it grows: after every block it reads what the whole-answer functions read
// from all of it, however the phone's bytes are cut.
#include <gtest/gtest.h>

#include <random>

#include "phone/answer_assembly.h"

namespace {

const std::string kEcho = "AT%PCTL=DIR /Voice Memo\r\r\n";

const std::vector<std::string> kAnswers = {
    kEcho + "A.amr | FRW | 1\r\nB.amr   | frw | 2\r\nTransfer OK\r\n\r\nOK\r\nC | FRW |\r\n",
    kEcho + "A | FRW |\r\nnote\r\nB | FRW | tail\r\n\r\nOK\r\nD | FRW |",
    kEcho + "A | FRW | Transfer ok\r\nB | FRW |\r\n\r\nOK\r\n",
    "   " + kEcho + "x | FRW |" + std::string(40, ' ') + "\r\n\r\nOK\r\n   ",
    "AT+GMR\r\r\n  TOKEN O\rK 1.2 O\nK \r\n\r\nOK\r\nO",
    "AT+GMM\r\r\nV300\r\n\r\nOK\r\nAT+GMR E365\r\n",
    "ATZ\r\r\nOK\r\n" + kEcho + "AT+CMGL=4\r\n\r\nOK\r\n",
};

}  // namespace

TEST(AnswerAssembly, ReadsWhatTheWholeAnswerReadsAfterEveryBlock) {
  std::mt19937 random(3);
  for (const std::string& whole : kAnswers) {
    for (int cut = 0; cut < 8; ++cut) {
      AnswerAssembly answer;
      for (std::size_t at = 0; at < whole.size();) {
        const std::size_t size = cut == 0 ? 1 : 1 + random() % (4 * cut);
        answer.Append(std::string_view(whole).substr(at, size));
        at += size;
        const std::string& text = answer.Text();
        ASSERT_EQ(answer.Complete(), text.find("\r\nOK\r\n") != std::string::npos) << text;
        ASSERT_EQ(answer.Kind(), ClassifyAnswer(text)) << text;
        ASSERT_EQ(answer.Reply(), ReplyText(text)) << text;
        if (text.size() >= 29) {
          ASSERT_EQ(answer.MemoNames(), ScanMemoNames(text)) << text;
        }
      }
    }
  }
}

TEST(AnswerAssembly, AListingEndsAtTransferOkAndANewAnswerStartsEmpty) {
  AnswerAssembly answer;
  answer.Append(kEcho + "A | FRW |\r\nTransfer OK\r\n\r\nOK\r\n");
  ASSERT_EQ(answer.MemoNames(), std::vector<std::string>{"A"});
  // Whatever the phone sends afterwards, the listing stays as it was.
  for (int i = 0; i < 100; ++i) answer.Append("B | FRW |\r\n");
  EXPECT_EQ(answer.MemoNames(), std::vector<std::string>{"A"});
  EXPECT_EQ(answer.Kind(), AnswerKind::MemoList);

  const unsigned serial = answer.Serial();
  answer.Clear();
  EXPECT_NE(answer.Serial(), serial);
  EXPECT_TRUE(answer.Text().empty());
  EXPECT_EQ(answer.Kind(), AnswerKind::Ignored);
  EXPECT_TRUE(answer.MemoNames().empty());
}
