#include <gtest/gtest.h>

#include "common/Text.h"

using namespace zel::text;

TEST(Text, Cp932RoundTripAndUnrepresentable) {
  const std::string jp = "テーブル定義書 ～①髙ｱ";
  std::string sj = Utf8ToCp932(jp);
  EXPECT_EQ(Cp932ToUtf8(sj), jp);
  // "～" is FULLWIDTH TILDE in CP932 (0x8160), which plain SJIS lacks.
  EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");
  // An emoji and a Hangul syllable have no CP932 form.
  EXPECT_EQ(Utf8ToCp932("a😀b한"), "a?b?");
  // Broken UTF-8 does not crash and leaves a placeholder.
  EXPECT_EQ(Utf8ToCp932(std::string("x\xC3", 2)), "x?");
}

TEST(Text, LengthsAndCutsCountCp932Bytes) {
  EXPECT_EQ(Cp932Length("abc"), 3u);
  EXPECT_EQ(Cp932Length("テーブル"), 8u);
  EXPECT_EQ(Cp932Length("ｱｲｳ"), 3u);  // half-width katakana is one byte each
  EXPECT_EQ(Cp932Length("😀"), 1u);   // becomes "?"
  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += "表";
  std::string cut = CutCp932(twenty, 31);
  EXPECT_EQ(Cp932Length(cut), 30u);  // never half a character
  EXPECT_TRUE(IsValidUtf8(cut));
  EXPECT_EQ(CutCp932(std::string(40, 'x'), 31), std::string(31, 'x'));
  EXPECT_EQ(CutCp932("ab表", 3), "ab");
  EXPECT_EQ(CutCp932("ab表", 4), "ab表");
}

TEST(Text, ServerTextIsAlwaysValidUtf8) {
  EXPECT_EQ(FromServer("plain ～ 😀"), "plain ～ 😀");
  // Shift-JIS bytes from a legacy database are decoded.
  EXPECT_EQ(FromServer(Utf8ToCp932("顧客マスタ")), "顧客マスタ");
  // Bytes that are neither become U+FFFD and stay valid.
  std::string junk("\x80\xFF\xFD", 3);
  std::string decoded = FromServer(junk);
  EXPECT_TRUE(IsValidUtf8(decoded));
  EXPECT_NE(decoded.find("\xEF\xBF\xBD"), std::string::npos);
}
