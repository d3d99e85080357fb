#include <sys/stat.h>

#include <gtest/gtest.h>

#include "fileutil/cls_open_file.h"
#include "fileutil/wildcard.h"
#include "tests/support/temp_folder.h"

using namespace test_support;
using fileutil::wildcard_match;

TEST(Wildcard, StarsQuestionMarksAndCase) {
  EXPECT_TRUE(wildcard_match("*.amr", "memo.amr"));
  EXPECT_TRUE(wildcard_match("*.amr", ".amr"));
  EXPECT_FALSE(wildcard_match("*.amr", "memo.amr.part"));
  EXPECT_FALSE(wildcard_match("*.amr", "memo.am"));
  EXPECT_TRUE(wildcard_match("m?mo.*", "memo.txt"));
  EXPECT_FALSE(wildcard_match("m?mo", "mmo"));
  EXPECT_TRUE(wildcard_match("*a*b*c*", "xxaxxbxxcxx"));
  EXPECT_FALSE(wildcard_match("*a*b*c*", "xxcxxbxxaxx"));
  EXPECT_TRUE(wildcard_match("*", "anything"));
  EXPECT_TRUE(wildcard_match("a**b", "ab"));
  EXPECT_FALSE(wildcard_match("", "a"));
  EXPECT_TRUE(wildcard_match("exact", "exact"));
  EXPECT_FALSE(wildcard_match("exact", "exactly"));

  EXPECT_TRUE(wildcard_match("MEMO.AMR", "memo.amr"));
  EXPECT_TRUE(wildcard_match("*.AmR", "Memo.aMr"));
  EXPECT_TRUE(wildcard_match("ЗАПИСЬ*", "запись 1.amr"));
  EXPECT_TRUE(wildcard_match("запис?", "ЗАПИСЬ"));  // "?" takes a letter, not a byte
  EXPECT_FALSE(wildcard_match("запис?", "ЗАПИС"));
  // Bytes that are not UTF-8 (a name in the phone's code page) match themselves only.
  EXPECT_TRUE(wildcard_match("\xc7\xe0*", "\xc7\xe0\xef\xe8\xf1\xfc"));
  EXPECT_FALSE(wildcard_match("\xe7\xe0*", "\xc7\xe0\xef\xe8\xf1\xfc"));
  EXPECT_TRUE(wildcard_match("?", "\xff"));
}

TEST(Wildcard, DotStarAlsoMatchesNamesWithoutADot) {
  EXPECT_TRUE(wildcard_match("*.*", "memo"));
  EXPECT_TRUE(wildcard_match("*.*", "memo.amr"));
  EXPECT_TRUE(wildcard_match("*.*", "a.b.c"));
  EXPECT_TRUE(wildcard_match("*.*", ".hidden"));
  EXPECT_TRUE(wildcard_match("memo.*", "memo"));
  EXPECT_TRUE(wildcard_match("memo.**", "memo"));
  EXPECT_FALSE(wildcard_match("memo.*", "memos"));
  EXPECT_FALSE(wildcard_match("memo.?", "memo"));
}

TEST(Wildcard, APathologicalPatternStaysFast) {
  const std::string name(20000, 'a');
  EXPECT_FALSE(wildcard_match("*a*a*a*a*a*a*a*a*a*a*b", name));
}

TEST(FindFile, MatchesFilesAndFoldersInTheLastComponent) {
  TempFolder folder;
  write_file(folder.file("Memo.AMR"), "x");
  write_file(folder.file("noext"), "x");
  ASSERT_EQ(mkdir(folder.file("voice").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(folder.file("voice/empty").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(folder.file("only-a-folder").c_str(), 0755), 0);
  clsOpenFile file;

  EXPECT_TRUE(file.FindFile(folder.file("Memo.AMR")));
  EXPECT_TRUE(file.FindFile(folder.file("memo.amr")));
  EXPECT_TRUE(file.FindFile(folder.file("*.amr")));
  EXPECT_TRUE(file.FindFile(folder.file("m???.*")));
  EXPECT_FALSE(file.FindFile(folder.file("*.wav")));
  EXPECT_FALSE(file.FindFile(folder.file("missing")));

  EXPECT_TRUE(file.FindFile(folder.file("noext")));
  EXPECT_TRUE(file.FindFile(folder.file("noext.*")));
  EXPECT_TRUE(file.FindFile(folder.file("voice/*.*")));  // "empty" has no dot
  EXPECT_TRUE(file.FindFile(folder.file("only-*")));     // a folder alone matches
  EXPECT_TRUE(file.FindFile(folder.file("voice")));
  // "." and ".." are not entries of their own: an empty folder holds nothing.
  EXPECT_FALSE(file.FindFile(folder.file("voice/empty/*")));
  EXPECT_FALSE(file.FindFile(folder.file("voice/empty/*.*")));

  EXPECT_FALSE(file.FindFile(folder.file("voice/")));
  EXPECT_FALSE(file.FindFile(folder.file("no-folder/*")));
  EXPECT_FALSE(file.FindFile(""));
  EXPECT_TRUE(file.FindFile("/"  "*"));
}
