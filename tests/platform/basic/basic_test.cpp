#include "platform/basic/basic.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace basic;

TEST(Str, LeadingBlankForNonNegativeAndMinusForNegative) {
  EXPECT_EQ(Str(5), " 5");
  EXPECT_EQ(Str(0), " 0");
  EXPECT_EQ(Str(-3), "-3");
  EXPECT_EQ(Str(2.5), " 2.5");
  EXPECT_EQ(Str(-0.25), "-.25");
  EXPECT_EQ(Str(10001), " 10001");
  EXPECT_EQ(CStr(997.5), "997.5");
  EXPECT_EQ(CStr(1e20), "1E+20");
}

TEST(Val, ReadsTheNumericPrefixOnly) {
  EXPECT_EQ(Val(" 64"), 64);
  EXPECT_EQ(Val("  -12abc"), -12);
  EXPECT_EQ(Val("1 2 3"), 123);
  EXPECT_EQ(Val("3.75x"), 3.75);
  EXPECT_EQ(Val("1.5E2"), 150);
  EXPECT_EQ(Val("2e"), 2);
  EXPECT_EQ(Val("abc"), 0);
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("+7"), 7);
  EXPECT_EQ(Val("1.2.3"), 1.2);
}

TEST(Val, HexFormAsTheSettingsStoreUsesIt) {
  EXPECT_EQ(Val("&Hffffff"), 16777215);
  EXPECT_EQ(Val("&HFFFFFF"), 16777215);
  EXPECT_EQ(Val("&H0"), 0);
  EXPECT_EQ(Val("&HFFFF"), -1);  // four digits read as a 16-bit value
  EXPECT_EQ(Val("&H"), 0);
  EXPECT_EQ(Val("&Hzz"), 0);
  EXPECT_EQ(Val("&H1g"), 1);
}

TEST(Conversions, RoundHalvesToEvenAndRaiseOverflow) {
  EXPECT_EQ(CInt(2.5), 2);
  EXPECT_EQ(CInt(3.5), 4);
  EXPECT_EQ(CInt(-2.5), -2);
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(CLng(49.5), 50);
  EXPECT_EQ(CLng(50.5), 50);
  EXPECT_EQ(CByte(255), 255);
  EXPECT_EQ(CByte(-0.4), 0);
  for (double bad : {32767.5, -32769.0}) {
    try {
      CInt(bad);
      FAIL() << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number, err::Overflow);
      EXPECT_EQ(e.description, "Overflow");
    }
  }
  EXPECT_THROW(CByte(256), RuntimeError);
  EXPECT_THROW(CByte(-1), RuntimeError);
  EXPECT_THROW(CLng(3e9), RuntimeError);
}

TEST(Conversions, IntFloorsAndIntegerDivisionRoundsOperandsFirst) {
  EXPECT_EQ(Int(-0.5), -1);
  EXPECT_EQ(Int(2.9), 2);
  EXPECT_EQ(Fix(-2.9), -2);
  EXPECT_EQ(IntDiv(1005, 15), 67);
  EXPECT_EQ(IntDiv(29.5, 15), 2);   // 30 \ 15
  EXPECT_EQ(IntDiv(-7, 2), -3);     // truncated toward zero
  EXPECT_EQ(IntDiv(7, 2.5), 3);     // 7 \ 2
  EXPECT_THROW(IntDiv(1, 0.4), RuntimeError);
}

TEST(Hex, UpperCaseWithoutLeadingZeros) {
  EXPECT_EQ(Hex(16777215), "FFFFFF");
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Hex(255), "FF");
  EXPECT_EQ(Hex(-1), "FFFFFFFF");
}

TEST(TextCompare, TextModeIgnoresCaseBinaryDoesNot) {
  EXPECT_TRUE(TextEquals("True", "TRUE"));
  EXPECT_TRUE(TextEquals("true", "True"));
  EXPECT_FALSE(TextEquals("True ", "True"));
  EXPECT_EQ(StrComp("a", "B", CompareMode::Text), -1);
  EXPECT_EQ(StrComp("a", "B", CompareMode::Binary), 1);
  EXPECT_EQ(StrComp("x", "x"), 0);
}

TEST(ResumeNext, RecordsTheLastErrorAndGoesOn) {
  ErrObject e;
  int reached = 0;
  ResumeNext(e, [] { CInt(1e9); });
  ResumeNext(e, [&] { reached = 1; });
  EXPECT_EQ(reached, 1);
  EXPECT_EQ(e.Number, err::Overflow);
  ResumeNext(e, [] { Raise(err::FileNotFound); });
  EXPECT_EQ(e.Number, err::FileNotFound);
  EXPECT_EQ(e.Description, "File not found");
  e.Clear();
  EXPECT_EQ(e.Number, 0);
}

TEST(Conversions, SaturatingAndCheckedWholeNumbers) {
  EXPECT_EQ(SaturateInt16(2.5), 2);
  EXPECT_EQ(SaturateInt16(1e9), 32767);
  EXPECT_EQ(SaturateInt16(-1e9), -32768);
  EXPECT_EQ(SaturateInt16(std::nan("")), 0);
  EXPECT_EQ(SaturateInt32(-3.5), -4);
  EXPECT_EQ(SaturateInt32(1e12), 2147483647);
  EXPECT_EQ(WholeIn(254.5, 0, 255), 254);
  EXPECT_EQ(WholeIn(255.5, 0, 255), std::nullopt);  // rounds to 256
  EXPECT_EQ(WholeIn(-0.4, 0, 255), 0);
  EXPECT_EQ(WholeIn(std::nan(""), 0, 255), std::nullopt);
}

TEST(Val, ToNumberTakesOnlyWholeNumericTexts) {
  EXPECT_EQ(ToNumber(" 12.5 "), 12.5);
  EXPECT_EQ(ToNumber("-3e2"), -300);
  EXPECT_EQ(ToNumber("12abc"), std::nullopt);
  EXPECT_EQ(ToNumber(""), std::nullopt);
  EXPECT_EQ(ToNumber("&HFF"), std::nullopt);
}
