#include "pages/licensetext.h"
#include "pages/rtfdocument.h"
#include "tests/common/printers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <gtest/gtest.h>

namespace {

// A fragment as "[marks:text]": b, i, u, point size, colour, link.
QString Fragment(const QTextFragment& fragment) {
    const QTextCharFormat f = fragment.charFormat();
    QStringList marks;
    if (f.fontWeight() >= QFont::Bold)
        marks << "b";
    if (f.fontItalic())
        marks << "i";
    if (f.fontUnderline())
        marks << "u";
    if (f.hasProperty(QTextFormat::FontPointSize))
        marks << QString::number(f.fontPointSize()) + "pt";
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        marks << f.foreground().color().name();
    if (f.isAnchor())
        marks << "link=" + f.anchorHref();
    QString text = fragment.text().replace(QChar::LineSeparator, QStringLiteral("<br>"));
    return marks.isEmpty() ? text : "[" + marks.join(' ') + ":" + text + "]";
}

QString Block(const QTextBlock& block) {
    QString line;
    const Qt::Alignment align = block.blockFormat().alignment();
    if (align & Qt::AlignHCenter)
        line += "center ";
    else if (align & Qt::AlignRight)
        line += "right ";
    else if ((align & Qt::AlignJustify) == Qt::AlignJustify)
        line += "justify ";
    if (const QTextList* list = block.textList()) {
        line += QString(2 * (list->format().indent() - 1), ' ');
        line += list->format().style() == QTextListFormat::ListDisc ? QStringLiteral("* ")
                                                                    : list->itemText(block) + " ";
    }
    for (auto it = block.begin(); !it.atEnd(); ++it)
        line += Fragment(it.fragment());
    return line;
}

// The document a reader sees, one line per paragraph or table row.
QString Describe(const QByteArray& rtf) {
    QTextDocument document;
    RtfToDocument(rtf, document);
    QStringList lines;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            for (int row = 0; row < table->rows(); ++row) {
                QStringList cells;
                for (int column = 0; column < table->columns(); ++column) {
                    QTextCursor cursor = table->cellAt(row, column).firstCursorPosition();
                    cursor.setPosition(table->cellAt(row, column).lastPosition(),
                                       QTextCursor::KeepAnchor);
                    cells << cursor.selectedText();
                }
                lines << "row: " + cells.join(" | ");
            }
        } else if (it.currentBlock().isValid()) {
            lines << Block(it.currentBlock());
        }
    }
    return lines.join('\n');
}

QByteArray Rtf(const char* body) {
    return QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
                      "{\\f1\\fnil\\fcharset2 Symbol;}{\\f2\\fswiss\\fcharset238 Arial CE;}}"
                      "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Riched20 10.0;}"
                      "\\viewkind4\\uc1\\pard\\f0 ") +
           body + "}";
}

} // namespace

TEST(RtfDocument, KeepsWhatTheReaderSees) {
    const struct {
        const char* rtf;
        const char* seen;
    } cases[] = {
        // Character formatting, as WordPad writes it.
        {"Plain \\b bold\\b0  \\i italic\\i0  \\ul under\\ulnone  {\\b\\i both}\\par",
         "Plain [b:bold] [i:italic] [u:under] [b i:both]"},
        {"\\fs32 Big \\cf1 red\\cf0\\fs20  small\\par",
         "[16pt:Big ][16pt #ff0000:red][10pt: small]"},
        {"One\\line Two\\par\\par Three\\par", "One<br>Two\n\nThree"},
        {"\\pard\\qc Title\\par\\pard\\qr Right\\par\\pard\\qj Even\\par\\pard Left\\par",
         "center Title\nright Right\njustify Even\nLeft"},
        // Lists: WordPad's \pn, Word's \ls with \listtext.
        {"{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-"
         "720\\li720 "
         "First\\par{\\pntext\\f1\\'B7\\tab}Second\\par\\pard After\\par",
         "* First\n* Second\nAfter"},
        {"{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}"
         "\\fi-360\\li360 One\\par{\\pntext\\f0 2.\\tab}Two\\par\\pard{\\pntext\\f1\\'B7\\tab}"
         "{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}\\fi-360\\li720 sub\\par\\pard{\\pntext\\f0 "
         "3.\\tab}"
         "{\\*\\pn\\pnlvlbody\\pnf0\\pnstart3\\pndec{\\pntxta.}}\\fi-360\\li360 Three\\par",
         "1. One\n2. Two\n  * sub\n3. Three"},
        {"\\pard\\fi-360\\li720\\ls1\\ilvl0{\\listtext\\pard\\plain\\f0 1.\\tab}Grant\\par"
         "\\pard\\fi-360\\li1440\\ls1\\ilvl1{\\listtext\\pard\\plain\\f0 a.\\tab}use\\par"
         "\\pard\\fi-360\\li720\\ls1\\ilvl0{\\listtext\\pard\\plain\\f0 2.\\tab}Limits\\par",
         "1. Grant\n  a. use\n2. Limits"},
        // Tables, as Word writes them.
        {"Intro\\par\\trowd\\trgaph108\\cellx3000\\cellx6000\\pard\\intbl Term\\cell {\\b "
         "Meaning}\\cell\\row"
         "\\trowd\\trgaph108\\cellx3000\\cellx6000\\pard\\intbl A\\cell\\cell\\row\\pard "
         "After\\par",
         "Intro\nrow: Term | Meaning\nrow: A | \nAfter"},
        // Characters: code pages, \u with its fallback, symbols.
        {"Caf\\'e9 \\u8364?5 {\\uc2\\u8220\\'93\\'93x\\u8221??} \\ldblquote "
         "q\\rdblquote\\~\\endash\\par",
         "Caf\u00e9 \u20ac5 \u201cx\u201d \u201cq\u201d\u00a0\u2013"},
        {"\\f2 \\'b9\\'e6\\par", "\u0105\u0107"},
        {"\\{braces\\} back\\\\slash\\tab end\\par", "{braces} back\\slash\tend"},
        // Hidden destinations and data; a hyperlink keeps its address.
        {"{\\stylesheet{\\s1\\qc heading;}}{\\info{\\title T}}{\\*\\unknown x}{\\header H}"
         "{\\pict\\pngblip\\bin3 {}}}{\\*\\bkmkstart b}{\\v hidden}Body\\par",
         "Body"},
        {"{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/\"}}{\\fldrslt{\\ul site}}}\\par",
         "[u link=http://example.com/:site]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(Rtf(c.rtf)), QString::fromUtf8(c.seen)) << c.rtf;
}

TEST(RtfDocument, CodePageOfTheDocument) {
    EXPECT_EQ(Describe("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e0\\'e2\\'e0}"),
              QString::fromUtf8("\u041f\u0440\u0430\u0432\u0430"));
    EXPECT_EQ(Describe("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}"), QString::fromUtf8("\u3042"));
}

TEST(RtfDocument, HostileRichTextNeverCrashes) {
    const QByteArray inputs[] = {
        "{\\rtf1 \\'zz\\u-\\'",
        QByteArray(100000, '{') + "x" + QByteArray(100000, '}'),
        "{\\rtf1 \\u99999999999? \\fs99999999999 \\li-99999999999 \\uc99999999 \\ansicpg-3 ok}",
        "}}}{\\rtf1 a\\",
        "{\\rtf1 \\bin99999999999 {",
        "{\\rtf1 " + QByteArray("\\cellx1").repeated(10000) + "\\intbl" +
            QByteArray("x\\cell ").repeated(10000) + "\\row",
        "{\\rtf1 " + QByteArray("\\intbl x\\cell\\row ").repeated(20000),
        "{\\rtf1 " + QByteArray("\\par").repeated(100000),
        "{\\rtf1 " + QByteArray("{\\pntext 1.}\\ilvl9 x\\par\\ilvl0 ").repeated(1000),
        "{\\rtf1 {\\fonttbl{\\f1\\fcharset128 J;}}\\f1 \\'82",
    };
    for (const QByteArray& input : inputs)
        (void)Describe(input);
    EXPECT_EQ(Describe("{\\rtf1 \\'zz\\u-\\'"), "");
    EXPECT_EQ(Describe(QByteArray(5000, '{') + "x" + QByteArray(5000, '}')), "x");
    EXPECT_EQ(Describe("}}}{\\rtf1 a\\"), "a");
}

TEST(LicenseText, PlainFilesInUtf8OrWindows1252AndRichText) {
    QTemporaryDir dir;
    auto read = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QTextDocument document;
        EXPECT_TRUE(ReadLicenseText(file.fileName(), document));
        return document.toPlainText();
    };
    EXPECT_EQ(read("a.txt", "\xEF\xBB\xBFTerms \xE2\x80\x9Cquoted\xE2\x80\x9D"),
              QString::fromUtf8("Terms \u201Cquoted\u201D"));
    EXPECT_EQ(read("b.txt", "Terms \x93quoted\x94 \x96 \x80"),
              QString::fromUtf8("Terms \u201Cquoted\u201D \u2013 \u20AC"));
    EXPECT_EQ(read("c.rtf", "{\\rtf1 Rich\\par}"), "Rich");
    QTextDocument missing;
    EXPECT_FALSE(ReadLicenseText(dir.filePath("missing.txt"), missing));
}
