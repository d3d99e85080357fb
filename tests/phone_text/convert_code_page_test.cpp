// Memo names from the phone's two-byte Cyrillic codes to Windows-1251, and the code page itself.
#include <gtest/gtest.h>

#include "phone/convert_code_page.h"
#include "phone/windows1251.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

}  // namespace

TEST(ConvertCodePage, CyrillicPairsBecomeWindows1251OtherBytesPassThrough) {
  EXPECT_EQ(ConvertCodePage(Bytes({0xD0, 0x81})), Bytes({0xA8}));  // Ё
  EXPECT_EQ(ConvertCodePage(Bytes({0xD1, 0x91})), Bytes({0xB8}));  // ё, and every second byte past it
  EXPECT_EQ(ConvertCodePage(Bytes({0xD1, 0x92})), Bytes({0xB8}));
  // Every second byte is shifted, whatever it is.
  EXPECT_EQ(ConvertCodePage(Bytes({0xD1, 0x41})), Bytes({0xB1}));
  EXPECT_EQ(ConvertCodePage(Bytes({0xD0, 0xC5})), Bytes({0xF5}));
  // The whole Cyrillic block agrees with the code page, letter for letter.
  for (int letter = 0x410; letter <= 0x44F; ++letter) {
    const QString one{QChar(char16_t(letter))};
    EXPECT_EQ(ConvertCodePage(one.toUtf8().toStdString()), ToWindows1251(one)) << letter;
  }
  // Other bytes, and lead bytes without a pair, pass through.
  EXPECT_EQ(ConvertCodePage("Memo_2005-01-02.amr"), "Memo_2005-01-02.amr");
  EXPECT_EQ(ConvertCodePage(""), "");
  EXPECT_EQ(ConvertCodePage(Bytes({'a', 0xD0, 0x97, 'b'})), Bytes({'a', 0xC7, 'b'}));
  // So does a lead byte without a usable second: at the end of the name,
  EXPECT_EQ(ConvertCodePage(Bytes({'x', 0xD0})), Bytes({'x', 0xD0}));
  EXPECT_EQ(ConvertCodePage(Bytes({'x', 0xD1})), Bytes({'x', 0xD1}));
  // or 0xD0 before a byte of 0xD0 or more: the lead byte stays, and the next byte starts a pair.
  EXPECT_EQ(ConvertCodePage(Bytes({0xD0, 0xD0, 0x97})), Bytes({0xD0, 0xC7}));
  EXPECT_EQ(ConvertCodePage(Bytes({0xD0, 0xFF, 'a'})), Bytes({0xD0, 0xFF, 'a'}));
}

TEST(Windows1251, RoundTripsEveryByteAndShowsCyrillic) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const QString shown = FromWindows1251(all);
  ASSERT_EQ(shown.size(), 256);
  EXPECT_EQ(ToWindows1251(shown), all);
  EXPECT_EQ(FromWindows1251(Bytes({0xC7, 0xE0, 0xEF, 0xE8, 0xF1, 0xFC})), QStringLiteral("Запись"));
  EXPECT_EQ(FromWindows1251(Bytes({0xA8, 0xB8, 0xB9})), QStringLiteral("Ёё№"));
  EXPECT_EQ(ToWindows1251(QStringLiteral("AT+GMm Ж€")), Bytes({'A', 'T', '+', 'G', 'M', 'm', ' ', 0xC6, 0x88}));
  EXPECT_EQ(ToWindows1251(QStringLiteral("日")), "?");
}
