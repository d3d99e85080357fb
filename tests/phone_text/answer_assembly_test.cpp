// The answer read as it grows. That after every block it reads what the whole-answer functions
// read from all of it, however the phone's bytes are cut, is the receive path's fuzz target's
// promise (its corpus holds the tricky answers).
#include <gtest/gtest.h>

#include "phone/answer_assembly.h"

namespace {

const std::string kEcho = "AT%PCTL=DIR /Voice Memo\r\r\n";

}  // namespace

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
