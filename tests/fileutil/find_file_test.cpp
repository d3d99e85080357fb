#include <initializer_list>
#include <tuple>

#include "fileutil/wildcard.h"
#include "tests/fileutil/in_temp_folder.h"

using fileutil::wildcard_match;
using FindFile = InTempFolder;

TEST(Wildcard, MatchesLettersIgnoringCaseAndRawBytesAsThemselves) {
  for (const auto& [pattern, name, match] : std::initializer_list<std::tuple<const char*, const char*, bool>>{
           {"*.amr", "memo.amr.part", false}, {"*.amr", "memo.am", false}, {"m?mo.*", "memo.txt", true},
           {"m?mo", "mmo", false}, {"*a*b*c*", "xxaxxbxxcxx", true}, {"*a*b*c*", "xxcxxbxxaxx", false},
           {"a**b", "ab", true}, {"", "a", false}, {"exact", "exactly", false},
           // Letters in either case; "?" takes a letter, not a byte.
           {"*.AmR", "Memo.aMr", true}, {"ЗАПИСЬ*", "запись 1.amr", true}, {"запис?", "ЗАПИСЬ", true},
           {"запис?", "ЗАПИС", false}, {"?", "€", true},
           // Bytes that are not UTF-8 (a name in the phone's code page, an overlong "A") match
           // themselves only.
           {"\xc7\xe0*", "\xc7\xe0\xef\xe8\xf1\xfc", true}, {"\xe7\xe0*", "\xc7\xe0\xef\xe8\xf1\xfc", false},
           {"?", "\xff", true}, {"A", "\xc1\x81", false},
           // "*.*" and "name.*" also match names without a dot.
           {"*.*", "memo", true}, {"*.*", ".hidden", true}, {"memo.*", "memo", true},
           {"memo.**", "memo", true}, {"memo.*", "memos", false}, {"memo.?", "memo", false},
       }) {
    EXPECT_EQ(wildcard_match(pattern, name), match) << pattern << " on " << name;
  }
  // A pathological pattern stays fast.
  EXPECT_FALSE(wildcard_match("*a*a*a*a*a*a*a*a*a*a*b", std::string(20000, 'a')));
}

TEST_F(FindFile, MatchesFilesAndFoldersInTheLastComponent) {
  put("Memo.AMR", "x");
  put("noext", "x");
  make_folder("voice");
  make_folder("voice/empty");
  make_folder("only-a-folder");

  for (const auto& [pattern, found] : std::initializer_list<std::pair<std::string, bool>>{
           {at("memo.amr"), true}, {at("*.amr"), true}, {at("m???.*"), true}, {at("*.wav"), false},
           {at("missing"), false}, {at("noext.*"), true}, {at("voice/"), false}, {at("no-folder/*"), false},
           {"", false}, {"/*", true},
           {at("voice/*.*"), true},  // "empty" has no dot
           {at("only-*"), true},     // a folder alone matches
           // "." and ".." are not entries of their own: an empty folder holds nothing.
           {at("voice/empty/*"), false}}) {
    EXPECT_EQ(file.FindFile(pattern), found) << pattern;
  }
}
