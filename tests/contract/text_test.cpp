// Text and number utilities and date values. They hold no platform code, but
// they run in both builds because the C runtimes format and read numbers
// differently.
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

using namespace trivex::text;
using Pieces = std::vector<Text>;

TEST(TextParts, LeftAndRightClampToTheText) {
    EXPECT_EQ(left("C:\\boot.ini", 2), "C:");
    EXPECT_EQ(left("ab", 5), "ab");
    EXPECT_EQ(left("ab", 0), "");
    EXPECT_EQ(left("ab", -1), "");
    EXPECT_EQ(right("ab", 5), "ab");
    EXPECT_EQ(right("abc", 2), "bc");
    EXPECT_EQ(right("abc", -3), "");
}

TEST(TextFind, StepsOverTwoByteCharacters) {
    // 0xB0 0x41 is one character whose trail byte is "A".
    EXPECT_EQ(find("\xB0" "AA", "A"), 3);
    EXPECT_EQ(find("\xB0" "A", "A"), -1);
    // 0x95 0x5C: a character whose trail byte is "\".
    EXPECT_EQ(find("\x95\x5C" "x\\y", "\\"), 4);
    EXPECT_EQ(findBackwards("a\\b\x95\x5C", "\\"), 2);
    EXPECT_EQ(findBackwards("E:\\Ghost\\G_WinXP.gho", "\\"), 9);
    EXPECT_EQ(findBackwards("G_WinXP.gho", "\\"), -1);
    EXPECT_EQ(find("镜像镜像", "像"), 3);
    EXPECT_EQ(findBackwards("镜像镜像", "像"), 7);
}

TEST(TextFind, StartPositionCaseAndEmptyTexts) {
    EXPECT_EQ(find("abcabc", "bc", 3), 5);
    EXPECT_EQ(find("abcabc", "bc", 6), -1);
    EXPECT_EQ(find("abcabc", "bc", -4), 2);
    EXPECT_EQ(find("abc", "abcd"), -1);
    EXPECT_EQ(find("D:\\Tools\\GHOST.EXE", "ghost.exe", 1, true), 10);
    EXPECT_EQ(find("D:\\Tools\\GHOST.EXE", "ghost.exe"), -1);
    EXPECT_EQ(find("D:\\ghost.exe.d\\x.exe", "GHOST.EXE", 1, true), 4);
    // Letter case is ignored for ASCII characters only, never in a trail byte.
    EXPECT_EQ(find("\xB0" "A", "\xB0" "a", 1, true), -1);
    EXPECT_EQ(find("abc", ""), 1);
    EXPECT_EQ(find("", ""), -1);
    EXPECT_EQ(find("", "a"), -1);
}

TEST(TextTrim, AsciiAndFullWidthSpaces) {
    const Text wide = "\xA1\xA1";
    EXPECT_EQ(trimLeading("  " + wide + " C:" + wide), "C:" + wide);
    EXPECT_EQ(trimTrailing(" C: " + wide + " "), " C:");
    EXPECT_EQ(trimLeading(wide + wide), "");
    EXPECT_EQ(trimTrailing("   "), "");
    // B0 A1 is a character; the A1 after it is no full-width space.
    EXPECT_EQ(trimTrailing("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
    EXPECT_EQ(trimTrailing("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
    EXPECT_EQ(trimLeading("\t x"), "\t x");
}

TEST(TextNumbers, ToText) {
    EXPECT_EQ(toText(int32_t{-5}), "-5");
    EXPECT_EQ(toText(int32_t{INT32_MIN}), "-2147483648");
    EXPECT_EQ(toText(int64_t{5000000000}), "5000000000");
}

TEST(TextNumbers, IntegerPartSnapsBeforeRoundingDown) {
    EXPECT_EQ(integerPart(2.5), 2);
    EXPECT_EQ(integerPart(-2.5), -3);
    EXPECT_EQ(integerPart(3.0 - 1e-13), 3);
    EXPECT_EQ(integerPart(3.0 - 1e-9), 2);
    EXPECT_EQ(integerPart(4095000000.0 / 1024000), 3999);
    EXPECT_EQ(integerPart(1023999.0 / 1024000), 0);
}

TEST(TextBlocks, TextStopsAtTheFirstZeroByte) {
    const char bytes[] = {'a', 'b', 0, 'c'};
    EXPECT_EQ(fromBlock(bytes, sizeof bytes), "ab");
    EXPECT_EQ(fromBlock(bytes, 1), "a");
    EXPECT_EQ(fromBlock(nullptr, 5), "");
    EXPECT_EQ(fromBlock("xyz", 3), "xyz");
}

TEST(Dates, PartsOfKnownDates) {
    const DateParts none = partsOfDate(kNoDate);
    EXPECT_EQ((std::vector<int>{none.year, none.month, none.day, none.hour, none.minute}),
              (std::vector<int>{100, 1, 1, 0, 0}));
    const DateParts zero = partsOfDate(0.0);
    EXPECT_EQ((std::vector<int>{zero.year, zero.month, zero.day}), (std::vector<int>{1899, 12, 30}));
    // 2016-03-05 09:07 (day 42434).
    const double d = dateFromParts({2016, 3, 5, 9, 7, 0});
    EXPECT_NEAR(d, 42434 + (9 * 60 + 7) / 1440.0, 1e-9);
    const DateParts p = partsOfDate(d);
    EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute}), (std::vector<int>{2016, 3, 5, 9, 7}));
    // Before day 0 the fraction still counts from midnight forwards.
    const DateParts before = partsOfDate(-1.25);
    EXPECT_EQ((std::vector<int>{before.year, before.month, before.day, before.hour}),
              (std::vector<int>{1899, 12, 29, 6}));
    EXPECT_EQ(dateFromParts({1899, 12, 29, 6, 0, 0}), -1.25);
    EXPECT_EQ(dateFromParts({100, 1, 1, 0, 0, 0}), kNoDate);
}

TEST(Dates, CalendarRulesAndRounding) {
    EXPECT_EQ(dateFromParts({1900, 3, 1, 0, 0, 0}), 61);  // 1900 had no 29 February
    EXPECT_EQ(partsOfDate(dateFromParts({2000, 2, 29, 0, 0, 0})).day, 29);
    EXPECT_EQ(dateFromParts({2001, 1, 1, 0, 0, 0}) - dateFromParts({2000, 1, 1, 0, 0, 0}), 366);
    // 23:59:59.9 rounds to the next midnight.
    const DateParts next = partsOfDate(dateFromParts({2015, 12, 31, 0, 0, 0}) + (86399.9 / 86400));
    EXPECT_EQ((std::vector<int>{next.year, next.month, next.day, next.hour, next.minute}),
              (std::vector<int>{2016, 1, 1, 0, 0}));
    for (int y : {1601, 1999, 2024, 9999}) {
        for (int m : {1, 2, 12}) {
            const DateParts p = partsOfDate(dateFromParts({y, m, 28, 23, 59, 58}));
            EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
                      (std::vector<int>{y, m, 28, 23, 59, 58}));
        }
    }
}

}  // namespace
}  // namespace trivex::contract
