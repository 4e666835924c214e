// Typed input, cell text escaping, sheet-name rules and sheet references in
// formulas: the rules that decide what ends up in a cell or a tab.
#include <gtest/gtest.h>

#include "xlsx/CellText.h"
#include "xlsx/FormulaRefs.h"
#include "xlsx/SheetName.h"
#include "xlsx/TypedInput.h"
#include "xlsx/XlsxError.h"

using namespace zel::xl;

TEST(TypedInput, NumbersDatesAndEverythingElseAsText) {
  for (const char* n : {"12", "-3", "10.5", "0", "0.5", "123456789012345", "-0.25"})
    EXPECT_EQ(ClassifyInput(n).kind, InputKind::Number) << n;
  // Codes, formulas, exponents, booleans, ranges and signs stay literal text.
  for (const char* t : {"007",
                        "=SUM(A1:A2)",
                        "+1",
                        "@x",
                        "'12",
                        "1e5",
                        "TRUE",
                        "3-4",
                        "-0",
                        "1.",
                        ".5",
                        "1,000",
                        " 12",
                        "12 ",
                        "1234567890123456",
                        "0.1234567890123456",
                        "12:30",
                        "50%",
                        "2008-04-10",
                        "２０"})
    EXPECT_EQ(ClassifyInput(t).kind, InputKind::Text) << t;
  TypedValue t = ClassifyInput("=1+1");
  EXPECT_EQ(t.text, "=1+1");  // kept exactly as given
  EXPECT_EQ(ClassifyInput("").kind, InputKind::Empty);

  TypedValue d = ClassifyInput("2008/04/10");
  ASSERT_EQ(d.kind, InputKind::Date);
  EXPECT_EQ(d.serial, 39548);
  EXPECT_EQ(ClassifyInput("2010/3/5").serial, 40242);
  EXPECT_EQ(ClassifyInput("1900/1/1").serial, 1);
  EXPECT_EQ(ClassifyInput("1900/2/28").serial, 59);
  EXPECT_EQ(ClassifyInput("1900/3/1").serial, 61);  // after Excel's phantom 1900-02-29
  EXPECT_EQ(ClassifyInput("9999/12/31").serial, 2958465);
  EXPECT_EQ(ClassifyInput("2008/04/10", true).serial, 39548 - 1462);
  for (const char* t : {"2008/02/30", "2009/2/29", "1899/12/31", "2008/13/01", "2008/4/10/",
                        "08/04/10", "2008/004/10", "2008/4/", "10000/1/1"})
    EXPECT_EQ(ClassifyInput(t).kind, InputKind::Text) << t;
  EXPECT_EQ(ClassifyInput("2000/2/29").kind, InputKind::Date);  // leap century
}

TEST(CellText, EscapingRoundTripsControlCharactersAndLiteralEscapes) {
  EXPECT_EQ(EscapeOoxml("a\x01"
                        "b"),
            "a_x0001_b");
  EXPECT_EQ(EscapeOoxml("line1\r\nline2\tx"), "line1_x000D_\nline2\tx");
  EXPECT_EQ(EscapeOoxml("_x0041_"), "_x005F_x0041_");
  EXPECT_EQ(EscapeOoxml("_x004"), "_x004");  // not an escape: left alone
  EXPECT_EQ(EscapeOoxml("\xEF\xBF\xBE"), "_xFFFE_");
  for (std::string s : {std::string("a\x01\x1f\rb"), std::string("_x0041_ and _x005F_"),
                        std::string("日本語\x0b"), std::string("\0", 1)})
    EXPECT_EQ(UnescapeOoxml(EscapeOoxml(s)), s);
}

TEST(CellText, InvalidUtf8AndOverlongTextAreMadeSafe) {
  EXPECT_EQ(SanitizeUtf8("ok\xC3(\xFF"), "ok\xEF\xBF\xBD(\xEF\xBF\xBD");
  EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_EQ(SanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong
  EXPECT_EQ(SanitizeUtf8("表😀"), "表😀");

  EXPECT_EQ(Utf16Length("a表😀"), 4u);
  std::string longText(kMaxCellChars - 1, 'x');
  EXPECT_FALSE(CutToCell(longText + "x")) << "exactly the limit fits";
  longText += "😀";  // needs two units where one is left: cut, and the cut shows
  EXPECT_EQ(CellTextForXml(longText), std::string(kMaxCellChars - 1, 'x') + "…");
  // One unit for "…": a pair that would end right at the limit goes whole.
  std::string pairs;
  for (std::size_t i = 0; i < kMaxCellChars / 2 + 1; ++i) pairs += "😀";
  const std::optional<std::string> cutPairs = CutToCell(pairs);
  ASSERT_TRUE(cutPairs);
  EXPECT_EQ(*cutPairs, pairs.substr(0, 4 * ((kMaxCellChars - 1) / 2)) + "…");
  EXPECT_EQ(SanitizeUtf8(*cutPairs), *cutPairs);
  std::string jp;
  for (int i = 0; i < 40000; ++i) jp += "漢";
  EXPECT_EQ(Utf16Length(CellTextForXml(jp)), kMaxCellChars);
  EXPECT_TRUE(CellTextForXml(jp).ends_with("漢…"));
}

TEST(SheetName, ExcelRules) {
  for (const char* ok : {"Sheet1", "顧客マスタ", "a'b", "x (2)", "1234567890123456789012345678901"})
    EXPECT_NO_THROW(CheckSheetName(ok)) << ok;
  auto message = [](const std::string& n) {
    try {
      CheckSheetName(n);
    } catch (const EXlsxError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_NE(message("").find("empty"), std::string::npos);
  EXPECT_NE(message(std::string(32, 'x')).find("longer than 31"), std::string::npos);
  for (const char* bad : {"a:b", "a\\b", "a/b", "a?b", "a*b", "a[b", "a]b"})
    EXPECT_NE(message(bad).find("not allowed"), std::string::npos) << bad;
  EXPECT_NE(message("'abc").find("apostrophe"), std::string::npos);
  EXPECT_NE(message("abc'").find("apostrophe"), std::string::npos);
  EXPECT_NE(message("a\tb").find("control"), std::string::npos);
  EXPECT_NE(message("\xFF").find("UTF-8"), std::string::npos);
  // 31 UTF-16 units: an emoji counts two.
  std::string emoji;
  for (int i = 0; i < 16; ++i) emoji += "😀";
  EXPECT_NE(message(emoji).find("longer"), std::string::npos);

  EXPECT_TRUE(SameSheetName("SHEET1", "sheet1"));
  EXPECT_TRUE(SameSheetName("ＡＢＣ", "ａｂｃ"));  // full-width letters fold too
  EXPECT_TRUE(SameSheetName("Äpfel", "äpfel"));
  EXPECT_FALSE(SameSheetName("テーブル", "テーブル2"));

  auto taken = [](const std::string& n) { return n == "Sheet1 (2)"; };
  EXPECT_EQ(CopySheetName("Sheet1", taken), "Sheet1 (3)");
  std::string copy = CopySheetName(std::string(31, 'n'), [](const std::string&) { return false; });
  EXPECT_EQ(copy, std::string(27, 'n') + " (2)");
}

TEST(FormulaRefs, RenamesOnlyReferencesToTheSheet) {
  EXPECT_EQ(RenameSheetInFormula("Sheet1!$A$1:$I$67", "Sheet1", "顧客"), "'顧客'!$A$1:$I$67");
  EXPECT_EQ(RenameSheetInFormula("'My Sheet'!$1:$7", "my sheet", "Orders"), "Orders!$1:$7");
  EXPECT_EQ(RenameSheetInFormula("SUM(Sheet1!A1,Sheet10!A1)", "Sheet1", "S"),
            "SUM(S!A1,Sheet10!A1)");
  EXPECT_EQ(RenameSheetInFormula("\"Sheet1!A1\"&Sheet1!B2", "Sheet1", "X"), "\"Sheet1!A1\"&X!B2");
  EXPECT_EQ(RenameSheetInFormula("[1]Sheet1!A1+'[2]Sheet1'!A1", "Sheet1", "X"),
            "[1]Sheet1!A1+'[2]Sheet1'!A1");
  EXPECT_EQ(RenameSheetInFormula("'it''s'!A1", "it's", "a'b"), "'a''b'!A1");
  EXPECT_EQ(QuoteSheetName("A1"), "'A1'");  // would read as a cell
  EXPECT_EQ(QuoteSheetName("R2C3"), "'R2C3'");
  EXPECT_EQ(QuoteSheetName("data_2"), "data_2");
}

TEST(FormulaRefs, ShiftingASharedFormulaForAnotherCell) {
  EXPECT_EQ(ShiftFormula("ROW()-7+A8*$B$1", 2, 0), "ROW()-7+A10*$B$1");
  EXPECT_EQ(ShiftFormula("SUM($A8:B$8)", 3, 1), "SUM($A11:C$8)");
  EXPECT_EQ(ShiftFormula("Sheet1!A1&\"A1\"&'B2 x'!C3", 1, 1), "Sheet1!B2&\"A1\"&'B2 x'!D4");
  EXPECT_EQ(ShiftFormula("LOG10(A1)+TRUE+Table1[Col A1]", 1, 0), "LOG10(A2)+TRUE+Table1[Col A1]");
  EXPECT_EQ(ShiftFormula("SUM(A:B)+SUM(1:2)+1.5", 1, 1), "SUM(B:C)+SUM(2:3)+1.5");
  EXPECT_EQ(ShiftFormula("A1", -1, 0), "#REF!");
}
