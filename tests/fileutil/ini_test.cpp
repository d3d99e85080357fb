#include "fileutil/ini_text.h"

#include <optional>
#include <tuple>

#include "tests/fileutil/in_temp_folder.h"

using fileutil::ini_value;
using fileutil::ini_with_value;

TEST(IniText, WritingChangesOneLineOrAddsOne) {
  const std::string text =
      "; settings\r\n"
      "[Port]\r\n"
      "Speed = 57600\r\n"
      "; keep me\r\n"
      "\r\n"
      "[Other]\r\n"
      "X=1";
  EXPECT_EQ(ini_with_value(text, "port", "SPEED", "9600"),
            "; settings\r\n[Port]\r\nSPEED=9600\r\n; keep me\r\n\r\n[Other]\r\nX=1");
  EXPECT_EQ(ini_with_value(text, "Port", "Parity", "even"),
            "; settings\r\n[Port]\r\nSpeed = 57600\r\n; keep me\r\nParity=even\r\n\r\n"
            "[Other]\r\nX=1");
  EXPECT_EQ(ini_with_value(text, "Other", "Y", "2"), text + "\r\nY=2\r\n");
  EXPECT_EQ(ini_with_value(text, "New", "K", "v"), text + "\r\n[New]\r\nK=v\r\n");
  EXPECT_EQ(ini_with_value("", "New", "K", "v"), "[New]\nK=v\n");
  EXPECT_EQ(ini_with_value("[A]\nX=1\n", "A", "K", "v"), "[A]\nX=1\nK=v\n");

  // What would not read back as written is not written.
  EXPECT_TRUE(fileutil::ini_entry_fits("Port", "Speed", "a=b; c"));
  for (const auto& [section, key, value] : std::initializer_list<std::tuple<const char*, const char*, const char*>>{
           {"Port", "Speed", "two\nlines"}, {"Port", "Sp=eed", "x"}, {"Port", " ", "x"}, {"Port", ";Speed", "x"},
           {"Po]rt", "Speed", "x"}, {"Port\r", "Speed", "x"}}) {
    EXPECT_FALSE(fileutil::ini_entry_fits(section, key, value)) << section << " " << key;
  }
}

using IniFile = InTempFolder;

TEST_F(IniFile, ReadsAndWritesAnExistingFileOnly) {
  const std::string ini = at("vokarel.ini");

  // No name, or a file that is not there: nothing is read and nothing is created.
  EXPECT_FALSE(file.WriteIniFile("Port", "Speed", "9600"));
  EXPECT_EQ(file.ReadIniFile("Port", "Speed"), "");
  file.NameIniFile(ini);
  EXPECT_FALSE(file.WriteIniFile("Port", "Speed", "9600"));
  EXPECT_EQ(file.ReadIniFile("Port", "Speed"), "");
  EXPECT_FALSE(file_exists(ini));

  put("vokarel.ini", "; ours\n[Port]\nSpeed=57600\n");
  EXPECT_TRUE(file.WriteIniFile("Port", "Speed", "9600"));
  EXPECT_TRUE(file.WriteIniFile("Window", "Left", "10"));
  EXPECT_EQ(read_file(ini), "; ours\n[Port]\nSpeed=9600\n[Window]\nLeft=10\n");
  EXPECT_EQ(file.ReadIniFile("Port", "Speed"), "9600");
  EXPECT_EQ(file.ReadIniFile("Port", "Missing"), "");
  EXPECT_FALSE(file.WriteIniFile("Port", "Speed", "line\nbreak"));

  // A shorter value leaves no remains of the longer one.
  EXPECT_TRUE(file.WriteIniFile("Window", "Left", "1"));
  EXPECT_EQ(read_file(ini), "; ours\n[Port]\nSpeed=9600\n[Window]\nLeft=1\n");

  // Long values come back cut to 254 characters.
  const std::string value(300, 'v');
  EXPECT_TRUE(file.WriteIniFile("Long", "Value", value));
  EXPECT_EQ(file.ReadIniFile("Long", "Value"), value.substr(0, 254));
  EXPECT_TRUE(file.WriteIniFile("Long", "Value", value.substr(0, 254)));
  EXPECT_EQ(file.ReadIniFile("Long", "Value"), value.substr(0, 254));

  // A folder in its place is neither read nor written.
  file.NameIniFile(folder.path());
  EXPECT_FALSE(file.WriteIniFile("Port", "Speed", "1"));
  EXPECT_EQ(file.ReadIniFile("Port", "Speed"), "");
}
