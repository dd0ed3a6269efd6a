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

TEST(TextUtil, PrintableTextEscapesWhatATerminalOrWindowWouldObey) {
    const struct {
        QString text;
        const char* shown;
    } cases[] = {
        {QStringLiteral("swpctl"), "swpctl"},
        {QStringLiteral("a\\b c"), "a\\b c"},
        {QStringLiteral("\x1b[2J\x1b]0;x\x07"), "\\x1b[2J\\x1b]0;x\\x07"},
        {QStringLiteral("tab\there\nnew\r"), "tab\\x09here\\x0anew\\x0d"},
        {QString(QChar(0x7F)) + QChar(0x9B) + QChar(0xAD), "\\x7f\\x9b\\xad"},
        {QString::fromUtf8("eth\u202Egnp.exe\u2066\u200B\u2028"),
         "eth\\u{202e}gnp.exe\\u{2066}\\u{200b}\\u{2028}"},
        {QString::fromUtf8("Caf\u00E9 \u20AC \U0001F600"), "Caf\u00E9 \u20AC \U0001F600"},
        {QString(QChar(0xD800)) + QStringLiteral("x"), "\\u{d800}x"},
        {QString::fromUcs4(U"\U000E0001tag"), "\\u{e0001}tag"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.shown), PrintableText(c.text)) << c.shown;
}

// Bytes as a device sends them: UTF-8 where it is, every other byte as \xHH.
TEST(TextUtil, PrintableTextOfBytesShowsWhatIsNotUtf8) {
    const struct {
        QByteArray bytes;
        const char* shown;
    } cases[] = {
        {"Lobby", "Lobby"},
        {"EV\x1b]0;x\x07\r\nFAKE", "EV\\x1b]0;x\\x07\\x0d\\x0aFAKE"},
        {"Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "Caf\u00E9 \u20AC \U0001F600"},
        {"caf\xe9!", "caf\\xe9!"},                             // Latin-1, not UTF-8
        {"\xc0\xaf\xe0\x80\xaf", "\\xc0\\xaf\\xe0\\x80\\xaf"}, // overlong forms
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},                   // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},          // beyond U+10FFFF
        {"ab\xe2\x82", "ab\\xe2\\x82"},                        // cut short
        {"\xc2\x9b\xe2\x80\xae", "\\x9b\\u{202e}"},            // C1 CSI, right-to-left override
        {QByteArray("a\0b", 3), "a\\x00b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.shown),
                  PrintableText(c.bytes.constData(), static_cast<size_t>(c.bytes.size())))
            << c.shown;
}
