#include "settings/textutil.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(TextUtil, FormatMAC) {
    const uint8_t mac[6] = {0x00, 0x01, 0xAB, 0xCD, 0xEF, 0xFF};
    EXPECT_EQ(FormatMAC(mac), "00:01:AB:CD:EF:FF");
}

TEST(TextUtil, IsHexText) {
    EXPECT_TRUE(IsHexText("0123456789ABCDEFabcdef"));
    EXPECT_TRUE(IsHexText(""));
    EXPECT_FALSE(IsHexText("12G4"));
    EXPECT_FALSE(IsHexText("12 4"));
    EXPECT_FALSE(IsHexText(QString::fromUtf8("\xEF\xBC\x91"))); // full-width digit
}

TEST(TextUtil, CopyBoundedNeverWritesPastTheField) {
    char field[8 + 4];
    std::memset(field, '#', sizeof field);
    EXPECT_EQ(CopyBounded(field, 8, "0123456789", 10), 7u);
    EXPECT_STREQ(field, "0123456");
    EXPECT_EQ(field[8], '#'); // the guard bytes stay

    EXPECT_EQ(CopyBounded(field, 8, "ab", 2), 2u);
    EXPECT_EQ(std::memcmp(field, "ab\0\0\0\0\0\0", 8), 0); // rest zero-filled
    EXPECT_EQ(CopyBounded(field, 0, "ab", 2), 0u);
    EXPECT_EQ(field[0], 'a');
}
