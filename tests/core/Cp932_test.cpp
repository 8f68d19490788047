#include "app/Cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace verid {
namespace {

TEST(Cp932, UsesMicrosoftsTable) {
  // Backslash and tilde stay ASCII (unlike JIS X 0201), the full-width tilde is 0x8160,
  // half-width katakana are single bytes, and 表/ソ end in 0x5C.
  EXPECT_EQ(Utf8ToCp932("\\~"), "\\~");
  EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");
  EXPECT_EQ(Utf8ToCp932("ｶﾀﾛｸﾞ"), "\xb6\xc0\xdb\xb8\xde");
  EXPECT_EQ(Utf8ToCp932("表ソ"), "\x95\x5c\x83\x5c");
  EXPECT_EQ(Utf8ToCp932("①"), "\x87\x40");  // NEC special characters
  EXPECT_EQ(Cp932ToUtf8("\x95\x5c\x8e\xa6"), "表示");
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932, CharactersWithoutACodeAreReportedNotDropped) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x93\xB7"), std::nullopt);  // emoji
  EXPECT_EQ(Utf8ToCp932("한"), std::nullopt);
  // The wave dash maps to 0x8160 one way only; it would read back as U+FF5E.
  EXPECT_EQ(Utf8ToCp932("\xE3\x80\x9C"), std::nullopt);
  EXPECT_EQ(Utf8ToCp932("\xff"), std::nullopt);  // not UTF-8
  EXPECT_EQ(Cp932ToUtf8("\x82"), std::nullopt);  // lead byte without its second byte
  EXPECT_EQ(Cp932ToUtf8("\xff"), std::nullopt);
  EXPECT_EQ(Cp932ToUtf8("\xef\xbb\xbf"), std::nullopt);
  // Conversions keep working after a failure (the converter's state is reset).
  EXPECT_EQ(Cp932ToUtf8("\x88\xc8\x8f\xe3"), "以上");
}

TEST(Cp932, LongTextConvertsCompletely) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "画ｱa";
  auto bytes = Utf8ToCp932(text);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->size(), 5000u * 4);
  EXPECT_EQ(Cp932ToUtf8(*bytes), text);
}

TEST(Cp932, DisplayTextPrefersUtf8ThenCp932ThenReplacement) {
  EXPECT_EQ(DisplayText("写真.jpg"), "写真.jpg");
  EXPECT_EQ(DisplayText("\x8e\xca\x90\x5e.jpg"), "写真.jpg");
  EXPECT_EQ(DisplayText("a\xff"
                        "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(SanitizeUtf8("\xed\xa0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));                                            // overlong '/'
  EXPECT_TRUE(IsValidUtf8("\xf4\x8f\xbf\xbf"));
  EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));
}

}  // namespace
}  // namespace verid
