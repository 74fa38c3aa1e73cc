// The skin text that our skin library reads: what it accepts, and that
// anything else is refused whole (the library then skins nothing).
#include <gtest/gtest.h>

#include <string>

#include "skin/skin_format.h"
#include "tests/modload/tm_files.h"

namespace trivex::skin {
namespace {

const std::string kGood =
    "trivex-skin 1\n"
    "window = 102030\n"
    "text = 405060\n"
    "field = 708090\n"
    "field-text = A0B0C0\n"
    "button = d0e0f0\n"
    "button-text = 010203\n"
    "button-pressed = 040506\n"
    "button-border = 070809\n"
    "disabled-text = 0A0B0C\n"
    "status = 0D0E0F\n";

bool parses(const std::string& s) {
    Colors c{};
    return parseSkin(s.data(), static_cast<uint32_t>(s.size()), c);
}
std::string replaced(std::string s, const std::string& from, const std::string& to) {
    s.replace(s.find(from), from.size(), to);
    return s;
}

TEST(SkinFormat, ReadsEveryColour) {
    Colors c{};
    ASSERT_TRUE(parseSkin(kGood.data(), static_cast<uint32_t>(kGood.size()), c));
    EXPECT_EQ(c.window, 0x102030u);
    EXPECT_EQ(c.text, 0x405060u);
    EXPECT_EQ(c.field, 0x708090u);
    EXPECT_EQ(c.fieldText, 0xA0B0C0u);
    EXPECT_EQ(c.button, 0xD0E0F0u);
    EXPECT_EQ(c.buttonText, 0x010203u);
    EXPECT_EQ(c.buttonPressed, 0x040506u);
    EXPECT_EQ(c.buttonBorder, 0x070809u);
    EXPECT_EQ(c.disabledText, 0x0A0B0Cu);
    EXPECT_EQ(c.status, 0x0D0E0Fu);
}

TEST(SkinFormat, CommentsBlankLinesCrLfAndSpacingAreAccepted) {
    std::string s = "; a skin\r\n\r\n  # another comment\n" + replaced(kGood, "window = 102030", "\twindow=102030 ; back");
    s = replaced(s, "status = 0D0E0F\n", "status   =   0D0E0F   \r\n");
    EXPECT_TRUE(parses(s));
    EXPECT_TRUE(parses(kGood.substr(0, kGood.size() - 1)));  // no line end after the last line
}

TEST(SkinFormat, TheShippedSkinIsGood) {
    const auto bytes = modload::testing::readFile(SKIN_DATA);
    Colors c{};
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(parseSkin(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), c));
}

TEST(SkinFormat, AnythingElseIsRefusedWhole) {
    EXPECT_FALSE(parses(""));
    EXPECT_FALSE(parses(std::string(".SHE\0\3", 6) + kGood));                       // another library's skin
    EXPECT_FALSE(parses(replaced(kGood, "trivex-skin 1", "trivex-skin 2")));         // another version
    EXPECT_FALSE(parses(kGood.substr(kGood.find('\n') + 1)));                        // no header
    EXPECT_FALSE(parses("window = 102030\n" + kGood));                               // colour before header
    EXPECT_FALSE(parses(replaced(kGood, "status = 0D0E0F\n", "")));                  // a colour missing
    EXPECT_FALSE(parses(kGood + "status = 0D0E0F\n"));                               // a colour twice
    EXPECT_FALSE(parses(kGood + "shadow = 000000\n"));                               // unknown colour
    EXPECT_FALSE(parses(replaced(kGood, "102030", "10203")));                        // five digits
    EXPECT_FALSE(parses(replaced(kGood, "102030", "1020301")));                      // seven digits
    EXPECT_FALSE(parses(replaced(kGood, "102030", "10G030")));                       // not hex
    EXPECT_FALSE(parses(replaced(kGood, "window = ", "window ")));                   // no "="
    EXPECT_FALSE(parses(replaced(kGood, "window = ", "window : ")));
    EXPECT_FALSE(parses(replaced(kGood, "102030", std::string("10\0" "030", 6))));  // zero byte
    EXPECT_FALSE(parses(kGood + std::string(kMaxSkinSize, ';')));                    // too long
    Colors c{};
    EXPECT_FALSE(parseSkin(nullptr, 10, c));
}

}  // namespace
}  // namespace trivex::skin
