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
