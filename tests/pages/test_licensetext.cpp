#include "pages/licensetext.h"
#include "tests/common/printers.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LicenseText, RichTextShowsReadableText) {
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}}"
                           "{\\colortbl;\\red0\\green0\\blue0;}{\\*\\generator Writer;}"
                           "{\\info{\\title Terms}}\\f0\\fs16{\\b LICENSE}\\par\n"
                           "Use \\ldblquote as is\\rdblquote{} \\endash{} no warranty.\\par\n"
                           "Caf\\'e9 \\u8364?5 \\{braces\\} back\\\\slash\\tab end\\line next}";
    EXPECT_EQ(RtfToText(rtf),
              QString::fromUtf8("LICENSE\nUse \u201Cas is\u201D \u2013 no warranty.\n"
                                "Caf\u00E9 \u20AC5 {braces} back\\slash\tend\nnext"));
}

TEST(LicenseText, HostileRichTextNeverCrashes) {
    EXPECT_EQ(RtfToText("{\\rtf1 \\'zz\\u-\\'"), "");
    EXPECT_EQ(RtfToText(QByteArray(5000, '{') + "x" + QByteArray(5000, '}')), "x");
    EXPECT_EQ(RtfToText("{\\rtf1 \\u99999999999? ok}"), "ok");
    EXPECT_EQ(RtfToText("}}}{\\rtf1 a\\"), "a");
}

TEST(LicenseText, PlainFilesInUtf8OrWindows1252) {
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return dir.filePath(name);
    };
    EXPECT_EQ(ReadLicenseText(write("a.txt", "\xEF\xBB\xBFTerms \xE2\x80\x9Cquoted\xE2\x80\x9D")),
              QString::fromUtf8("Terms \u201Cquoted\u201D"));
    EXPECT_EQ(ReadLicenseText(write("b.txt", "Terms \x93quoted\x94 \x96 \x80")),
              QString::fromUtf8("Terms \u201Cquoted\u201D \u2013 \u20AC"));
    EXPECT_EQ(ReadLicenseText(write("c.rtf", "{\\rtf1 Rich}")), "Rich");
    EXPECT_EQ(ReadLicenseText(dir.filePath("missing.txt")), "");
}
