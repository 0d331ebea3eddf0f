// The formatter against the conversions of the Windows formatter, and the
// message texts of the languages. What the driver writes is held by the
// snapshot test.
#include <gtest/gtest.h>

#include "driver/format.h"
#include "driver/messages.h"
#include "driver/platform.h"

using namespace korvane;

TEST(Format, ConversionsFollowTheWindowsFormatter) {
    EXPECT_EQ(format("%08lX|%02x|%d|%ld|%u", 0xABCDu, 5, -3, -1, -1), "0000ABCD|05|-3|-1|4294967295");
    EXPECT_EQ(format("%3d%%|%-4s|%c%c|%s", 7, "ab", 'l', 'P', "x"), "  7%|ab  |lP|x");
    EXPECT_EQ(format("grp%04X:%d", 0x10000, 2), "grp10000:2");
    EXPECT_EQ(format("%d%s", 1), "1");  // a missing value prints as nothing
    EXPECT_EQ(mul_div(1, 40, 3), 13);
    EXPECT_EQ(mul_div(2, 40, 3), 27);
    EXPECT_EQ(mul_div(-1, 3, 2), -2);
    EXPECT_EQ(mul_div(5, 5, 0), -1);
    EXPECT_EQ(mul_div(0x7FFFFFFF, 4, 1), -1);
}

TEST(Messages, LanguagesAndMissingIds) {
    EXPECT_EQ(message_text(8), "Loading System File");
    EXPECT_EQ(message_text(9), "String Id not found");
    set_language_offset(512);
    EXPECT_EQ(message_text(8), "Lade Verwaltungseintrag");
    EXPECT_EQ(message_text(42), "Korvane Verarbeitungsfehler");
    EXPECT_EQ(message_text(35), "String Id not found");
    set_language_offset(0);
}
