#include <initializer_list>

#include "fileutil/wildcard.h"
#include "tests/fileutil/in_temp_folder.h"

using fileutil::wildcard_match;
using FindFile = InTempFolder;

TEST(Wildcard, MatchesLettersIgnoringCaseAndRawBytesAsThemselves) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"*.amr", "memo.amr.part", false},
           {"*.amr", "memo.am", false},
           {"m?mo.*", "memo.txt", true},
           {"m?mo", "mmo", false},
           {"*a*b*c*", "xxaxxbxxcxx", true},
           {"*a*b*c*", "xxcxxbxxaxx", false},
           {"a**b", "ab", true},
           {"", "a", false},
           {"exact", "exactly", false},
           {"*.AmR", "Memo.aMr", true},
           {"ЗАПИСЬ*", "запись 1.amr", true},
           {"запис?", "ЗАПИСЬ", true},  // "?" takes a letter, not a byte
           {"запис?", "ЗАПИС", false},
           {"?", "€", true},
           // Bytes that are not UTF-8 (a name in the phone's code page, an overlong "A") match
           // themselves only.
           {"\xc7\xe0*", "\xc7\xe0\xef\xe8\xf1\xfc", true},
           {"\xe7\xe0*", "\xc7\xe0\xef\xe8\xf1\xfc", false},
           {"?", "\xff", true},
           {"A", "\xc1\x81", false},
           // "*.*" and "name.*" also match names without a dot.
           {"*.*", "memo", true},
           {"*.*", ".hidden", true},
           {"memo.*", "memo", true},
           {"memo.**", "memo", true},
           {"memo.*", "memos", false},
           {"memo.?", "memo", false},
       }) {
    EXPECT_EQ(wildcard_match(c.pattern, c.name), c.match) << c.pattern << " on " << c.name;
  }
}

TEST(Wildcard, APathologicalPatternStaysFast) {
  const std::string name(20000, 'a');
  EXPECT_FALSE(wildcard_match("*a*a*a*a*a*a*a*a*a*a*b", name));
}

TEST_F(FindFile, MatchesFilesAndFoldersInTheLastComponent) {
  put("Memo.AMR", "x");
  put("noext", "x");
  make_folder("voice");
  make_folder("voice/empty");
  make_folder("only-a-folder");

  EXPECT_TRUE(file.FindFile(at("memo.amr")));
  EXPECT_TRUE(file.FindFile(at("*.amr")));
  EXPECT_TRUE(file.FindFile(at("m???.*")));
  EXPECT_FALSE(file.FindFile(at("*.wav")));
  EXPECT_FALSE(file.FindFile(at("missing")));
  EXPECT_TRUE(file.FindFile(at("noext.*")));
  EXPECT_TRUE(file.FindFile(at("voice/*.*")));  // "empty" has no dot
  EXPECT_TRUE(file.FindFile(at("only-*")));     // a folder alone matches
  // "." and ".." are not entries of their own: an empty folder holds nothing.
  EXPECT_FALSE(file.FindFile(at("voice/empty/*")));

  EXPECT_FALSE(file.FindFile(at("voice/")));
  EXPECT_FALSE(file.FindFile(at("no-folder/*")));
  EXPECT_FALSE(file.FindFile(""));
  EXPECT_TRUE(file.FindFile("/"  "*"));
}
