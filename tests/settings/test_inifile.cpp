#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <random>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name = QStringLiteral("Setup.ini")) const {
        return dir.filePath(name);
    }

    QString WriteFile(const QByteArray& bytes, const QString& name = QStringLiteral("Setup.ini")) {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }

    QByteArray ReadFile(const QString& name = QStringLiteral("Setup.ini")) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

CIniFile Parsed(const QByteArray& bytes) {
    CIniFile ini{QString()};
    ini.Parse(bytes);
    return ini;
}

// --- Lookup -------------------------------------------------------------------

TEST_F(IniFileTest, SectionsAndKeysMatchWithoutRegardToCase) {
    const CIniFile ini(WriteFile("[Product]\nShortName=AP200\n[Message]\nER_CONNECT=Lost\n"));
    EXPECT_EQ(ini.ReadString("product", "SHORTNAME", "x"), "AP200");
    EXPECT_EQ(ini.ReadString("PRODUCT", "shortname", "x"), "AP200");
    EXPECT_EQ(ini.ReadString("mEsSaGe", "er_connect", "x"), "Lost");
    EXPECT_TRUE(ini.SectionExists("MESSAGE"));
    EXPECT_FALSE(ini.SectionExists("Setting"));
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    const CIniFile missing(Path("nothing.ini"));
    EXPECT_EQ(missing.ReadString("Product", "ShortName", "def"), "def");
    EXPECT_EQ(missing.ReadInteger("Product", "Count", 7), 7);
    EXPECT_TRUE(missing.ReadBool("Setting", "NonWorking", true));
    EXPECT_EQ(missing.ReadWideString("Product", "Title", "wide"), "wide");
    EXPECT_FALSE(missing.SectionExists("Product"));

    const CIniFile ini(WriteFile("[Product]\nShortName=AP200\n"));
    EXPECT_EQ(ini.ReadString("Other", "ShortName", "def"), "def");
    EXPECT_EQ(ini.ReadString("Product", "LongName", "def"), "def");

    // A directory where the file should be reads as a missing file.
    QDir(dir.path()).mkdir("folder.ini");
    const CIniFile folder(Path("folder.ini"));
    EXPECT_EQ(folder.ReadString("Product", "ShortName", "def"), "def");
}

TEST_F(IniFileTest, PresentEmptyValueIsNotTheDefault) {
    const CIniFile ini = Parsed("[S]\nEmpty=\nQuoted=\"\"\n");
    EXPECT_EQ(ini.ReadString("S", "Empty", "def"), "");
    EXPECT_EQ(ini.ReadString("S", "Quoted", "def"), "");
    EXPECT_EQ(ini.ReadInteger("S", "Empty", 5), 5);
}

// --- Line syntax --------------------------------------------------------------

TEST_F(IniFileTest, CommentsBlanksAndIgnoredLines) {
    const CIniFile ini = Parsed("Orphan=before any section\n"
                                "; a comment\n"
                                "  [  Setting  ]  \n"
                                "   ;Hidden=1\n"
                                "\tKey One \t=   spaced value  \t\n"
                                "Inline=a ; not a comment\n"
                                "Equation=a=b\n"
                                "just text without equals\n"
                                "=no key\n"
                                "[Broken\n"
                                "After=still Setting\n");
    EXPECT_EQ(ini.ReadString("Setting", "Hidden", "def"), "def");
    EXPECT_EQ(ini.ReadString("Setting", ";Hidden", "def"), "def");
    EXPECT_EQ(ini.ReadString("Setting", "Key One", "def"), "spaced value");
    EXPECT_EQ(ini.ReadString("Setting", "Inline", "def"), "a ; not a comment");
    EXPECT_EQ(ini.ReadString("Setting", "Equation", "def"), "a=b");
    EXPECT_EQ(ini.ReadString("Setting", "After", "def"), "still Setting");
    EXPECT_EQ(ini.ReadString("", "Orphan", "def"), "def");
    EXPECT_FALSE(ini.SectionExists("Broken"));

    QStringList list;
    ini.ReadSectionValues("setting", list);
    EXPECT_EQ(list, QStringList({"Key One=spaced value", "Inline=a ; not a comment", "Equation=a=b",
                                 "After=still Setting"}));
}

TEST_F(IniFileTest, MatchingQuotesAreRemovedOnce) {
    const CIniFile ini = Parsed("[S]\n"
                                "Double=\"  padded  \"\n"
                                "Single='single'\n"
                                "Twice=\"\"inner\"\"\n"
                                "Mixed=\"mixed'\n"
                                "Lone=\"\n"
                                "Inside=say \"hi\"\n");
    EXPECT_EQ(ini.ReadString("S", "Double", ""), "  padded  ");
    EXPECT_EQ(ini.ReadString("S", "Single", ""), "single");
    EXPECT_EQ(ini.ReadString("S", "Twice", ""), "\"inner\"");
    EXPECT_EQ(ini.ReadString("S", "Mixed", ""), "\"mixed'");
    EXPECT_EQ(ini.ReadString("S", "Lone", ""), "\"");
    EXPECT_EQ(ini.ReadString("S", "Inside", ""), "say \"hi\"");
}

TEST_F(IniFileTest, FirstOfEqualKeysWinsAndRepeatedSectionsMerge) {
    const CIniFile ini = Parsed("[Text]\nTitle=first\nTITLE=second\n"
                                "[Other]\nX=1\n"
                                "[TEXT]\ntitle=third\nMore=from the second block\n");
    EXPECT_EQ(ini.ReadString("Text", "Title", ""), "first");
    EXPECT_EQ(ini.ReadString("Text", "More", ""), "from the second block");
    QStringList list{"stale"};
    ini.ReadSectionValues("text", list);
    EXPECT_EQ(list, QStringList({"Title=first", "More=from the second block"}));
    ini.ReadSectionValues("none", list);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(IniFileTest, LineEndsAndByteOrderMark) {
    const QByteArray body = "[Product]\r\nShortName=AP200\r\nTitle=Setup\r\n";
    for (const QByteArray& bytes :
         {body, QByteArray("\xEF\xBB\xBF") + body, QByteArray(body).replace("\r\n", "\n"),
          QByteArray("[Product]\nShortName=AP200\r\nTitle=Setup")}) {
        const CIniFile ini = Parsed(bytes);
        EXPECT_EQ(ini.ReadString("Product", "ShortName", ""), "AP200") << bytes.toHex().data();
        EXPECT_EQ(ini.ReadString("Product", "Title", ""), "Setup") << bytes.toHex().data();
    }
}

// --- Encodings ----------------------------------------------------------------

TEST_F(IniFileTest, Utf8TextIsReadAsUtf8) {
    const CIniFile ini(WriteFile("[Message]\nQuote=\xE2\x80\x9C"
                                 "Done\xE2\x80\x9D \xE2\x80\x93 caf\xC3\xA9 \xF0\x9F\x93\xB6\n"));
    EXPECT_EQ(ini.ReadString("Message", "Quote", ""),
              QString::fromUtf8("\u201CDone\u201D \u2013 caf\u00E9 \U0001F4F6"));
}

TEST_F(IniFileTest, InvalidUtf8IsReadAsWindows1252WithTypographicQuotes) {
    // 0x93/0x94 are the curly double quotes, 0x91/0x92 the single ones,
    // 0x96/0x97 the dashes, 0x80 the euro sign, 0xE9 e-acute.
    const CIniFile ini(WriteFile("[Message]\n"
                                 "ER_LOGIN=\x93Password\x94 isn\x92t right \x96 try again\n"
                                 "Price=\x80 5 \x97 caf\xE9\n"
                                 "Odd=\x81\x8D\x8F\x90\x9D\n"));
    EXPECT_EQ(ini.ReadString("Message", "ER_LOGIN", ""),
              QString::fromUtf8("\u201CPassword\u201D isn\u2019t right \u2013 try again"));
    EXPECT_EQ(ini.ReadString("Message", "Price", ""),
              QString::fromUtf8("\u20AC 5 \u2014 caf\u00E9"));
    EXPECT_EQ(ini.ReadString("Message", "Odd", ""),
              QString::fromUtf8("\u0081\u008D\u008F\u0090\u009D"));
}

TEST_F(IniFileTest, OneInvalidSequenceMakesTheWholeFileWindows1252) {
    // Overlong and surrogate encodings are not UTF-8 either.
    for (const QByteArray& bad : {QByteArray("\xC0\xAF"), QByteArray("\xED\xA0\x80"),
                                  QByteArray("\xF4\x90\x80\x80"), QByteArray("\xE2\x80")}) {
        const CIniFile ini = Parsed("[S]\nA=\xC3\xA9\nB=" + bad + "\n");
        EXPECT_EQ(ini.ReadString("S", "A", ""), QString::fromUtf8("\u00C3\u00A9"))
            << bad.toHex().data();
    }
}

TEST_F(IniFileTest, Utf16FilesWithByteOrderMarkAreRead) {
    const QString text = QString::fromUtf8("[Product]\r\nTitle=\u201CSetup\u201D\r\n");
    QByteArray le("\xFF\xFE", 2);
    for (const QChar c : text)
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    EXPECT_EQ(Parsed(le).ReadString("product", "title", ""),
              QString::fromUtf8("\u201CSetup\u201D"));
}

// --- Buffer limits ------------------------------------------------------------

TEST_F(IniFileTest, StringReadsStopAt2047AndWideReadsAt511Characters) {
    QString value;
    for (int i = 0; i < 3000; ++i)
        value += QChar(u'a' + i % 26);
    const CIniFile ini = Parsed("[S]\nLong=" + value.toUtf8() + "\nShort=abc\n");
    EXPECT_EQ(ini.ReadString("S", "Long", ""), value.left(2047));
    EXPECT_EQ(ini.ReadWideString("S", "Long", ""), value.left(511));
    EXPECT_EQ(ini.ReadString("S", "Short", ""), "abc");
    // The default comes back through the same buffer.
    EXPECT_EQ(ini.ReadString("S", "Missing", value), value.left(2047));
    EXPECT_EQ(ini.ReadWideString("S", "Missing", value), value.left(511));
}

TEST_F(IniFileTest, CutDoesNotSplitASurrogatePair) {
    const QString emoji = QString::fromUtf8("\U0001F4F6");
    const QString value = QString(2046, u'x') + emoji + QStringLiteral("tail");
    const CIniFile ini = Parsed("[S]\nK=" + value.toUtf8() + "\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), QString(2046, u'x'));
    const QString wide = QString(510, u'y') + emoji;
    EXPECT_EQ(Parsed("[S]\nK=" + wide.toUtf8() + "\n").ReadWideString("S", "K", ""),
              QString(510, u'y'));
}

// --- Integers and switches ----------------------------------------------------

struct IntegerCase {
    const char* text;
    int expected; // -12345 stands for "the default"
};

class IniIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

constexpr int Default = -12345;

TEST_P(IniIntegerTest, ReadsWholeNumbersOnly) {
    const IntegerCase& c = GetParam();
    const CIniFile ini = Parsed(QByteArray("[S]\nN=") + c.text + "\n");
    EXPECT_EQ(ini.ReadInteger("S", "N", Default), c.expected) << "value '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniIntegerTest,
    ::testing::Values(
        // decimal, with sign and leading zeros, up to the limits of int
        IntegerCase{"42", 42}, IntegerCase{"-17", -17}, IntegerCase{"+5", 5}, IntegerCase{"007", 7},
        IntegerCase{"-0", 0}, IntegerCase{"2147483647", INT_MAX},
        IntegerCase{"-2147483648", INT_MIN}, IntegerCase{"2147483648", Default},
        IntegerCase{"-2147483649", Default}, IntegerCase{"99999999999999999999", Default},
        // hexadecimal with 0x, 0X or $; a 32-bit pattern
        IntegerCase{"0x1F", 31}, IntegerCase{"0X1f", 31}, IntegerCase{"$ff", 255},
        IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"0x80000000", INT_MIN},
        IntegerCase{"0x00000000000000FF", 255}, IntegerCase{"0x100000000", Default},
        IntegerCase{"-0x10", -16}, IntegerCase{"-$80000000", INT_MIN},
        IntegerCase{"-0x80000001", Default},
        // blanks around the number and quotes are not part of it
        IntegerCase{"  12  ", 12}, IntegerCase{"\"12\"", 12},
        // anything that is not a whole number
        IntegerCase{"", Default}, IntegerCase{"abc", Default}, IntegerCase{"12abc", Default},
        IntegerCase{"1 2", Default}, IntegerCase{"1.5", Default}, IntegerCase{"1e3", Default},
        IntegerCase{"0x", Default}, IntegerCase{"$", Default}, IntegerCase{"0xG1", Default},
        IntegerCase{"$-1", Default}, IntegerCase{"+-5", Default}, IntegerCase{"- 5", Default},
        IntegerCase{"-", Default}, IntegerCase{"x10", Default}, IntegerCase{"10h", Default},
        IntegerCase{"\xD9\xA3", Default} /* Arabic-Indic three */));

TEST_F(IniFileTest, SwitchesAreIntegersWithOneOrZeroAsDefault) {
    const CIniFile ini = Parsed("[Setting]\nYes=yes\nTwo=2\nHexZero=0x0\nZero=0\nMinus=-1\n"
                                "Empty=\nTrue=true\n");
    EXPECT_TRUE(ini.ReadBool("Setting", "Yes", true));
    EXPECT_FALSE(ini.ReadBool("Setting", "Yes", false));
    EXPECT_TRUE(ini.ReadBool("Setting", "Two", false));
    EXPECT_FALSE(ini.ReadBool("Setting", "HexZero", true));
    EXPECT_FALSE(ini.ReadBool("Setting", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("Setting", "Minus", false));
    EXPECT_TRUE(ini.ReadBool("Setting", "Empty", true));
    EXPECT_FALSE(ini.ReadBool("Setting", "True", false));
    EXPECT_TRUE(ini.ReadBool("Setting", "Missing", true));
}

// --- Hostile files ------------------------------------------------------------

TEST_F(IniFileTest, NulBytesAndBinaryJunkAreHarmless) {
    static const char raw[] = "[S]\nA=x\0y\nB=2\n\0\0\0[\0]\n";
    const CIniFile withNul = Parsed(QByteArray(raw, sizeof raw - 1));
    EXPECT_EQ(withNul.ReadString("S", "A", ""), QString("x") + QChar(0) + "y");
    EXPECT_EQ(withNul.ReadInteger("S", "B", 0), 2);

    std::mt19937 random(20240611);
    QByteArray junk;
    for (int i = 0; i < 256 * 1024; ++i)
        junk.append(char(random() & 0xFF));
    const CIniFile ini = Parsed("[Product]\nShortName=AP200\n" + junk + "\n[Tail]\nK=v\n");
    EXPECT_EQ(ini.ReadString("Product", "ShortName", ""), "AP200");
    EXPECT_EQ(ini.ReadString("Tail", "K", ""), "v");
}

TEST_F(IniFileTest, HugeLineIsCutOnRead) {
    const QByteArray value(1024 * 1024, 'v');
    const CIniFile ini(WriteFile("[S]\nHuge=" + value + "\nNext=1\n" + QByteArray(500000, '[')));
    EXPECT_EQ(ini.ReadString("S", "Huge", ""), QString(2047, u'v'));
    EXPECT_EQ(ini.ReadInteger("S", "Next", 0), 1);
}

TEST_F(IniFileTest, FileOverTheSizeLimitIsNotReadNorOverwritten) {
    const QByteArray head = "[Product]\nShortName=AP200\n";
    QByteArray big = head;
    big.append(QByteArray(50 * 1024 * 1024, ';'));
    WriteFile(big);
    CIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Product", "ShortName", "def"), "def");
    EXPECT_FALSE(ini.WriteString("Product", "ShortName", "x"));
    EXPECT_EQ(QFileInfo(Path()).size(), big.size());

    // Exactly at the limit is still read.
    QByteArray limit = head;
    limit.append(QByteArray(CIniFile::MaxFileSize - head.size(), ';'));
    EXPECT_EQ(CIniFile(WriteFile(limit)).ReadString("Product", "ShortName", ""), "AP200");

    // A device that never ends.
    EXPECT_EQ(CIniFile("/dev/zero").ReadString("S", "K", "def"), "def");
}

// --- Writes -------------------------------------------------------------------

TEST_F(IniFileTest, WritesRoundTripAndKeepTheRestOfTheFile) {
    WriteFile("; Product settings\n"
              "[Product]\n"
              "ShortName=AP200 ; kept\n"
              "\n"
              "; comment of Setting\n"
              "[Setting]\n"
              "NonWorking=0\n");
    CIniFile ini(Path());
    EXPECT_TRUE(ini.WriteString("product", "SHORTNAME", "AP300"));
    EXPECT_TRUE(ini.WriteString("Product", "Title", "Setup"));
    EXPECT_TRUE(ini.WriteInteger("Setting", "Count", -42));
    EXPECT_TRUE(ini.WriteBool("Setting", "NonWorking", true));
    EXPECT_TRUE(ini.WriteString("New", "Key", "value"));

    EXPECT_EQ(ReadFile(), "; Product settings\n"
                          "[Product]\n"
                          "ShortName=AP300\n"
                          "Title=Setup\n"
                          "\n"
                          "; comment of Setting\n"
                          "[Setting]\n"
                          "NonWorking=1\n"
                          "Count=-42\n"
                          "\n"
                          "[New]\n"
                          "Key=value\n");
    for (const CIniFile& view : {ini, CIniFile(Path())}) {
        EXPECT_EQ(view.ReadString("Product", "ShortName", ""), "AP300");
        EXPECT_EQ(view.ReadString("Product", "Title", ""), "Setup");
        EXPECT_EQ(view.ReadInteger("Setting", "Count", 0), -42);
        EXPECT_TRUE(view.ReadBool("Setting", "NonWorking", false));
        EXPECT_EQ(view.ReadString("New", "Key", ""), "value");
    }
}

TEST_F(IniFileTest, WrittenValuesReadBackAsWritten) {
    CIniFile ini(Path("new.ini"));
    const QStringList values = {"",           "  leading and trailing  ",
                                "\"quoted\"", "'single'",
                                "a=b;c",      QString::fromUtf8("\u201Ccurly\u201D \U0001F4F6"),
                                "\"half"};
    for (int i = 0; i < values.size(); ++i)
        ASSERT_TRUE(ini.WriteString("S", QStringLiteral("K%1").arg(i), values[i]));
    ASSERT_TRUE(ini.WriteInteger("S", "Min", INT_MIN));
    const CIniFile reread(Path("new.ini"));
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.ReadString("S", QStringLiteral("K%1").arg(i), "def"), values[i]);
    EXPECT_EQ(reread.ReadInteger("S", "Min", 0), INT_MIN);
}

TEST_F(IniFileTest, WriteReplacesTheKeyTheReaderSees) {
    WriteFile("[A]\nK=first\n[B]\nK=other\n[a]\nk=shadowed\n");
    CIniFile ini(Path());
    ASSERT_TRUE(ini.WriteString("A", "K", "new"));
    EXPECT_EQ(ini.ReadString("A", "K", ""), "new");
    EXPECT_EQ(ini.ReadString("B", "K", ""), "other");
    EXPECT_EQ(ReadFile(), "[A]\nK=new\n[B]\nK=other\n[a]\nk=shadowed\n");
}

TEST_F(IniFileTest, WriteKeepsLineEndsAndEncoding) {
    WriteFile("\xEF\xBB\xBF[S]\r\nA=1\r\n");
    CIniFile bom(Path());
    ASSERT_TRUE(bom.WriteString("S", "B", "2"));
    EXPECT_EQ(ReadFile(), "\xEF\xBB\xBF[S]\r\nA=1\r\nB=2\r\n");

    // A Windows-1252 file stays Windows-1252 while its characters allow.
    WriteFile("[Message]\nText=\x93quoted\x94\n", "ansi.ini");
    CIniFile ansi(Path("ansi.ini"));
    ASSERT_TRUE(ansi.WriteString("Message", "Dash", QString::fromUtf8("a \u2013 b")));
    EXPECT_EQ(ReadFile("ansi.ini"), "[Message]\nText=\x93quoted\x94\nDash=a \x96 b\n");
    ASSERT_TRUE(ansi.WriteString("Message", "Arrow", QString::fromUtf8("\u2192")));
    const CIniFile reread(Path("ansi.ini"));
    EXPECT_EQ(reread.ReadString("Message", "Text", ""), QString::fromUtf8("\u201Cquoted\u201D"));
    EXPECT_EQ(reread.ReadString("Message", "Arrow", ""), QString::fromUtf8("\u2192"));
}

TEST_F(IniFileTest, WriteSeesChangesMadeByOtherWriters) {
    CIniFile first(Path());
    CIniFile second(Path());
    ASSERT_TRUE(first.WriteString("S", "A", "1"));
    ASSERT_TRUE(second.WriteString("S", "B", "2"));
    ASSERT_TRUE(first.WriteString("S", "C", "3"));
    EXPECT_EQ(first.ReadString("S", "B", ""), "2");
    EXPECT_EQ(ReadFile(), "[S]\nA=1\nB=2\nC=3\n");
}

TEST_F(IniFileTest, WritesThatCouldNotBeReadBackAreRefused) {
    CIniFile ini(Path());
    EXPECT_FALSE(ini.WriteString("S", "K", "two\nlines"));
    EXPECT_FALSE(ini.WriteString("S", "K", "cr\r"));
    EXPECT_FALSE(ini.WriteString("S", "A=B", "v"));
    EXPECT_FALSE(ini.WriteString("S", ";K", "v"));
    EXPECT_FALSE(ini.WriteString("S", "  ", "v"));
    EXPECT_FALSE(ini.WriteString("", "K", "v"));
    EXPECT_FALSE(ini.WriteString("S\n[T]", "K", "v"));
    EXPECT_FALSE(QFile::exists(Path()));

    CIniFile nowhere(Path("no/such/folder/Setup.ini"));
    EXPECT_FALSE(nowhere.WriteString("S", "K", "v"));
    EXPECT_EQ(nowhere.ReadString("S", "K", "def"), "def");
}

} // namespace
