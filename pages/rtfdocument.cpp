#include "pages/rtfdocument.h"

#include "settings/textutil.h"

#include <QColor>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

namespace {

// Bounds that keep hostile files from costing more than a real license.
constexpr int kMaxDepth = 256;
constexpr int kMaxParagraphs = 20000;
constexpr int kMaxColumns = 32;
constexpr int kMaxTableCells = 2000; // further cells are written as text, a row to a line
constexpr int kMaxListLevel = 8;
constexpr int kMaxWordLength = 32;
constexpr double kTwipsPerPixel = 15.0; // 1440 twips to the inch, 96 pixels to the inch

enum class Dest {
    Text,       // shown
    Skip,       // fonts' alternatives, pictures, style sheets, document data
    FontTable,  // font names and their character sets
    ColorTable, // \red\green\blue entries
    Marker,     // \pntext or \listtext: the bullet or number a list item shows
    ListLevel,  // \pn: how the paragraph is numbered
    FieldInst,  // a field's instruction, for its hyperlink
};

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int vertical = 0;   // 1 superscript, -1 subscript
    int halfPoints = 0; // 0: the document's size
    int font = -1;
    int color = 0; // 0: the document's colour
    QString href;
    bool operator==(const CharState&) const = default;
};

struct Group {
    Dest dest = Dest::Text;
    CharState chars;
    int unicodeSkip = 1; // \ucN: fallback characters that follow each \uN
};

enum class ListKind { None, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

// Paragraph properties last until \pard, whatever the groups: that is how
// WordPad and Word write them.
struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0; // twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    bool inTable = false;
    bool listed = false; // \ls or \pn
    ListKind kind = ListKind::None;
    int level = 0;
};

struct Font {
    QString name;
    int codePage = 0; // 0: the document's
    bool symbol = false;
};

// The lists open at one depth of nesting. Writers nest by indent (WordPad
// knows no levels) and by \ilvl; an item of another kind at the same depth,
// such as bullets between numbered items, leaves the numbering to go on.
struct ListDepth {
    int key = 0; // left indent, then level
    std::map<ListKind, QTextList*> lists;
};

bool IsSkippedDestination(QByteArrayView word) {
    static const char* const names[] = {"stylesheet",
                                        "info",
                                        "pict",
                                        "header",
                                        "footer",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "footnote",
                                        "annotation",
                                        "object",
                                        "themedata",
                                        "datastore",
                                        "latentstyles",
                                        "listtable",
                                        "listoverridetable",
                                        "rsidtbl",
                                        "generator",
                                        "xmlnstbl",
                                        "mmathPr",
                                        "nonshppict",
                                        "shp",
                                        "revtbl",
                                        "filetbl",
                                        "bkmkstart",
                                        "bkmkend",
                                        "template",
                                        "background",
                                        "userprops",
                                        "docvar",
                                        "colorschememapping",
                                        "pgdsctbl"};
    for (const char* name : names)
        if (word == name)
            return true;
    return false;
}

int CodePageOfCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

QString DecodeCodePage(const QByteArray& bytes, int codePage) {
    if (codePage != 1252) {
        QByteArray name;
        if (codePage == 65001)
            name = "UTF-8";
        else if (codePage == 10000)
            name = "macintosh";
        else if (codePage >= 1250 && codePage <= 1258)
            name = "windows-" + QByteArray::number(codePage);
        else
            name = "cp" + QByteArray::number(codePage);
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return FromWindows1252(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QTextListFormat::Style ListStyle(ListKind kind) {
    switch (kind) {
    case ListKind::Decimal:
        return QTextListFormat::ListDecimal;
    case ListKind::LowerAlpha:
        return QTextListFormat::ListLowerAlpha;
    case ListKind::UpperAlpha:
        return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerRoman:
        return QTextListFormat::ListLowerRoman;
    case ListKind::UpperRoman:
        return QTextListFormat::ListUpperRoman;
    default:
        return QTextListFormat::ListDisc;
    }
}

// The kind of list a marker such as "1.", "b)", "iv." or a bullet belongs to.
ListKind KindOfMarker(const QString& marker) {
    const QString text = marker.trimmed();
    if (text.isEmpty() || !text.at(0).isLetterOrNumber())
        return ListKind::Bullet;
    if (text.at(0).isDigit())
        return ListKind::Decimal;
    static const QRegularExpression roman(QStringLiteral("^([ivxlc]{2,}|i)[.)]?$"));
    static const QRegularExpression romanUpper(QStringLiteral("^([IVXLC]{2,}|I)[.)]?$"));
    if (roman.match(text).hasMatch())
        return ListKind::LowerRoman;
    if (romanUpper.match(text).hasMatch())
        return ListKind::UpperRoman;
    return text.at(0).isUpper() ? ListKind::UpperAlpha : ListKind::LowerAlpha;
}

// The address of a HYPERLINK field: HYPERLINK "http://..." (switches ignored).
QString HrefOfField(const QString& instruction) {
    static const QRegularExpression link(QStringLiteral("HYPERLINK\\s+\"([^\"]+)\""));
    const QString href = link.match(instruction).captured(1);
    for (const char* scheme : {"http://", "https://", "mailto:"})
        if (href.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return href;
    return QString();
}

class RtfReader {
public:
    RtfReader(const QByteArray& rtf, QTextDocument& document)
        : m_In(rtf), m_Document(document), m_Cursor(&document) {}

    void Run() {
        // One edit block: the document is laid out once, at the end, not
        // after every insertion.
        QTextCursor(&m_Document).beginEditBlock();
        while (m_Pos < m_In.size() && !m_Done) {
            const char c = m_In[m_Pos++];
            if (c == '{')
                OpenGroup();
            else if (c == '}')
                CloseGroup();
            else if (c == '\\')
                Control();
            else if (c != '\r' && c != '\n' && c != '\0')
                Byte(c);
        }
        Finish();
        QTextCursor(&m_Document).endEditBlock();
    }

private:
    Group& Top() { return m_Groups.back(); }

    void OpenGroup() {
        m_SkipChars = 0;
        m_Starred = false;
        if (m_Groups.size() > kMaxDepth)
            ++m_Overflow;
        else
            m_Groups.push_back(Top());
    }

    void CloseGroup() {
        m_SkipChars = 0;
        m_Starred = false;
        if (m_Overflow > 0) {
            --m_Overflow;
            return;
        }
        if (m_Groups.size() <= 1)
            return; // a stray brace before the document
        if (Top().dest == Dest::FontTable)
            AddFont();
        m_Groups.pop_back();
        if (m_Groups.size() == 1)
            m_Done = true; // the document's own group has ended
    }

    bool Skipping() {
        if (m_SkipChars == 0)
            return false;
        --m_SkipChars;
        return true;
    }

    // A character of the document's text, in its code page.
    void Byte(char c) {
        if (Skipping())
            return;
        switch (Top().dest) {
        case Dest::Text:
            if (Top().chars.hidden)
                return;
            TakeFormat();
            if (!m_Bytes.isEmpty() && m_BytesCodePage != TextCodePage())
                FlushBytes();
            m_BytesCodePage = TextCodePage();
            m_Bytes += c;
            break;
        case Dest::FontTable:
            if (c == ';')
                AddFont();
            else
                m_FontName += c;
            break;
        case Dest::ColorTable:
            if (c == ';') {
                m_Colors.push_back(m_ColorSet ? QColor(m_Red, m_Green, m_Blue) : QColor());
                m_Red = m_Green = m_Blue = 0;
                m_ColorSet = false;
            }
            break;
        case Dest::Marker:
            m_Marker += QChar::fromLatin1(c);
            break;
        case Dest::FieldInst:
            m_FieldInst += QChar::fromLatin1(c);
            break;
        default:
            break;
        }
    }

    void Char(char16_t c) {
        if (Top().dest == Dest::Marker) {
            m_Marker += QChar(c);
            return;
        }
        if (Top().dest != Dest::Text || Top().chars.hidden)
            return;
        TakeFormat();
        FlushBytes();
        m_Text += QChar(c);
    }

    // Pending text keeps one format: a change of format writes it out first.
    void TakeFormat() {
        if ((!m_Text.isEmpty() || !m_Bytes.isEmpty()) && !(m_TextChars == Top().chars))
            Flush();
        m_TextChars = Top().chars;
    }

    int TextCodePage() const {
        const auto font = m_Fonts.constFind(m_Groups.back().chars.font);
        if (font != m_Fonts.constEnd() && font->codePage != 0)
            return font->codePage;
        return m_CodePage;
    }

    void FlushBytes() {
        if (m_Bytes.isEmpty())
            return;
        m_Text += DecodeCodePage(m_Bytes, m_BytesCodePage);
        m_Bytes.clear();
    }

    void Flush() {
        FlushBytes();
        if (m_Text.isEmpty())
            return;
        EnterCell();
        OpenBlock();
        m_Cursor.insertText(m_Text, CharFormat(m_TextChars));
        m_Text.clear();
    }

    QTextCharFormat CharFormat(const CharState& s) const {
        QTextCharFormat format;
        format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(s.italic);
        format.setFontUnderline(s.underline || !s.href.isEmpty());
        format.setFontStrikeOut(s.strike);
        if (s.vertical != 0)
            format.setVerticalAlignment(s.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
        if (s.halfPoints > 0)
            format.setFontPointSize(s.halfPoints / 2.0);
        const auto font = m_Fonts.constFind(s.font);
        if (font != m_Fonts.constEnd() && !font->symbol && !font->name.isEmpty())
            format.setFontFamilies(QStringList{font->name});
        if (s.color > 0 && s.color < static_cast<int>(m_Colors.size()) &&
            m_Colors[s.color].isValid())
            format.setForeground(m_Colors[s.color]);
        if (!s.href.isEmpty()) {
            format.setAnchor(true);
            format.setAnchorHref(s.href);
        }
        return format;
    }

    void AddFont() {
        const QString name = QString::fromLatin1(m_FontName).trimmed();
        if (m_FontIndex >= 0 && (!name.isEmpty() || !m_Fonts.contains(m_FontIndex)))
            m_Fonts.insert(m_FontIndex, Font{name, m_FontCodePage, m_FontCharset == 2});
        m_FontName.clear();
        m_FontIndex = -1;
        m_FontCharset = -1;
        m_FontCodePage = 0;
    }

    // A backslash has been read.
    void Control() {
        if (m_Pos >= m_In.size())
            return;
        const char s = m_In[m_Pos];
        if (!std::isalpha(static_cast<unsigned char>(s))) {
            ++m_Pos;
            Symbol(s);
            return;
        }
        const qsizetype start = m_Pos;
        while (m_Pos < m_In.size() && std::isalpha(static_cast<unsigned char>(m_In[m_Pos])))
            ++m_Pos;
        const QByteArrayView word =
            QByteArrayView(m_In).sliced(start, std::min<qsizetype>(m_Pos - start, kMaxWordLength));
        bool negative = false;
        if (m_Pos < m_In.size() && m_In[m_Pos] == '-') {
            negative = true;
            ++m_Pos;
        }
        bool hasParam = false;
        long long param = 0;
        while (m_Pos < m_In.size() && std::isdigit(static_cast<unsigned char>(m_In[m_Pos]))) {
            param = std::min(param * 10 + (m_In[m_Pos] - '0'), 1000000000LL);
            hasParam = true;
            ++m_Pos;
        }
        if (m_Pos < m_In.size() && m_In[m_Pos] == ' ')
            ++m_Pos; // the delimiter belongs to the control word
        const bool starred = m_Starred;
        m_Starred = false;
        if (word == "bin") {
            // Binary data follows, in whatever destination.
            m_Pos += std::min<qsizetype>(hasParam ? param : 0, m_In.size() - m_Pos);
            return;
        }
        if (Skipping())
            return;
        Word(word, hasParam, static_cast<int>(negative ? -param : param), starred);
    }

    void Symbol(char s) {
        if (s == '*') {
            m_Starred = true;
            return;
        }
        if (s == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_Pos < m_In.size() && m_In[m_Pos] != '\\' && m_In[m_Pos] != '{' &&
                   m_In[m_Pos] != '}') {
                const int digit = QChar::fromLatin1(m_In[m_Pos]).digitValue();
                const char lower = static_cast<char>(m_In[m_Pos] | 0x20);
                value =
                    value * 16 +
                    (digit >= 0 ? digit : (lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -256));
                ++digits;
                ++m_Pos;
            }
            if (digits == 2 && value >= 0)
                Byte(static_cast<char>(value));
            return;
        }
        if (Skipping())
            return;
        switch (s) {
        case '\\':
        case '{':
        case '}':
            Byte(s);
            break;
        case '~':
            Char(0x00A0);
            break;
        case '_':
            Char(0x2011);
            break;
        case '\r':
        case '\n':
            if (Top().dest == Dest::Text)
                Paragraph();
            break;
        default:
            break; // \- optional hyphen, \| \: index marks
        }
    }

    void Word(QByteArrayView word, bool hasParam, int param, bool starred) {
        const Dest dest = Top().dest;
        if (dest == Dest::Skip)
            return;
        if (dest == Dest::FontTable) {
            if (word == "f")
                m_FontIndex = param;
            else if (word == "fcharset") {
                m_FontCharset = param;
                if (m_FontCodePage == 0)
                    m_FontCodePage = CodePageOfCharset(param);
            } else if (word == "cpg")
                m_FontCodePage = param;
            else if (starred)
                Top().dest = Dest::Skip;
            return;
        }
        if (dest == Dest::ColorTable) {
            const int level = std::clamp(param, 0, 255);
            m_ColorSet = true;
            if (word == "red")
                m_Red = level;
            else if (word == "green")
                m_Green = level;
            else if (word == "blue")
                m_Blue = level;
            return;
        }
        if (ListWord(word, hasParam, param))
            return;
        if (dest == Dest::Marker || dest == Dest::ListLevel) {
            if (word == "u" && hasParam)
                Char(static_cast<char16_t>(param < 0 ? param + 65536 : param));
            return; // the marker's own formatting is not the paragraph's
        }
        if (dest == Dest::FieldInst)
            return;
        if (Destination(word, starred))
            return;
        if (TextWord(word, hasParam, param))
            return;
        Flush();
        if (!ParagraphWord(word, hasParam, param))
            CharWord(word, hasParam, param);
    }

    bool Destination(QByteArrayView word, bool starred) {
        Group& group = Top();
        if (word == "fonttbl") {
            group.dest = Dest::FontTable;
        } else if (word == "colortbl") {
            group.dest = Dest::ColorTable;
            m_Colors.clear();
        } else if (word == "pntext" || word == "listtext") {
            group.dest = Dest::Marker;
            m_Marker.clear();
        } else if (word == "pn") {
            group.dest = Dest::ListLevel;
            m_Para.listed = true;
        } else if (word == "fldinst") {
            group.dest = Dest::FieldInst;
            m_FieldInst.clear();
        } else if (word == "fldrslt") {
            group.chars.href = HrefOfField(m_FieldInst);
        } else if (starred || IsSkippedDestination(word)) {
            group.dest = Dest::Skip;
        } else {
            return false;
        }
        return true;
    }

    // Words that stand for a character.
    bool TextWord(QByteArrayView word, bool hasParam, int param) {
        static const struct {
            const char* word;
            char16_t c;
        } symbols[] = {{"tab", u'\t'},      {"line", 0x2028},      {"emdash", 0x2014},
                       {"endash", 0x2013},  {"bullet", 0x2022},    {"lquote", 0x2018},
                       {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
                       {"emspace", 0x2003}, {"enspace", 0x2002},   {"qmspace", 0x2005},
                       {"nestcell", u'\t'}, {"nestrow", 0x2028}};
        for (const auto& symbol : symbols) {
            if (word == symbol.word) {
                Char(symbol.c);
                return true;
            }
        }
        if (word == "u") {
            if (hasParam) {
                const int code = param < 0 ? param + 65536 : param;
                if (code > 0 && code < 65536)
                    Char(static_cast<char16_t>(code));
                m_SkipChars = Top().unicodeSkip;
            }
            return true;
        }
        if (word == "uc") {
            Top().unicodeSkip = std::clamp(param, 0, 10);
            return true;
        }
        return false;
    }

    bool ListWord(QByteArrayView word, bool hasParam, int param) {
        static const struct {
            const char* word;
            ListKind kind;
        } kinds[] = {{"pnlvlblt", ListKind::Bullet},    {"pndec", ListKind::Decimal},
                     {"pnucltr", ListKind::UpperAlpha}, {"pnlcltr", ListKind::LowerAlpha},
                     {"pnucrm", ListKind::UpperRoman},  {"pnlcrm", ListKind::LowerRoman}};
        for (const auto& kind : kinds) {
            if (word == kind.word) {
                m_Para.listed = true;
                m_Para.kind = kind.kind;
                return true;
            }
        }
        if (word == "pnlvl" && hasParam) {
            m_Para.listed = true;
            m_Para.level = std::clamp(param - 1, 0, kMaxListLevel);
            return true;
        }
        if (word == "pnlvlbody") {
            m_Para.listed = true;
            return true;
        }
        return false;
    }

    bool ParagraphWord(QByteArrayView word, bool hasParam, int param) {
        const int twips = std::clamp(param, -31680, 31680); // 22 inches either way
        if (word == "par" || word == "sect" || word == "page")
            Paragraph();
        else if (word == "pard")
            m_Para = ParaState{};
        else if (word == "ql")
            m_Para.align = Qt::AlignLeft;
        else if (word == "qc")
            m_Para.align = Qt::AlignHCenter;
        else if (word == "qr")
            m_Para.align = Qt::AlignRight;
        else if (word == "qj")
            m_Para.align = Qt::AlignJustify;
        else if (word == "li")
            m_Para.left = twips;
        else if (word == "ri")
            m_Para.right = twips;
        else if (word == "fi")
            m_Para.first = twips;
        else if (word == "sb")
            m_Para.before = twips;
        else if (word == "sa")
            m_Para.after = twips;
        else if (word == "intbl")
            m_Para.inTable = true;
        else if (word == "itap")
            m_Para.inTable = param > 0;
        else if (word == "ls")
            m_Para.listed = param > 0;
        else if (word == "ilvl")
            m_Para.level = std::clamp(param, 0, kMaxListLevel);
        else if (word == "cell")
            Cell();
        else if (word == "row")
            Row();
        else if (word == "trowd")
            m_CellEdges.clear();
        else if (word == "cellx") {
            if (m_CellEdges.size() < kMaxColumns)
                m_CellEdges.push_back(twips);
        } else if (word == "ansicpg") {
            if (hasParam && param > 0)
                m_CodePage = param;
        } else if (word == "ansi")
            m_CodePage = 1252;
        else if (word == "mac")
            m_CodePage = 10000;
        else if (word == "pc")
            m_CodePage = 437;
        else if (word == "pca")
            m_CodePage = 850;
        else if (word == "deff") {
            m_DefaultFont = param;
            if (Top().chars.font < 0)
                Top().chars.font = param;
        } else
            return false;
        return true;
    }

    void CharWord(QByteArrayView word, bool hasParam, int param) {
        CharState& chars = Top().chars;
        const bool on = !hasParam || param != 0;
        if (word == "plain")
            chars = CharState{.font = m_DefaultFont, .href = chars.href};
        else if (word == "b")
            chars.bold = on;
        else if (word == "i")
            chars.italic = on;
        else if (word == "ulnone")
            chars.underline = false;
        else if (word.startsWith("ul") && word != "ulc")
            chars.underline = on;
        else if (word == "strike" || word == "striked")
            chars.strike = on;
        else if (word == "v")
            chars.hidden = on;
        else if (word == "super")
            chars.vertical = 1;
        else if (word == "sub")
            chars.vertical = -1;
        else if (word == "nosupersub")
            chars.vertical = 0;
        else if (word == "fs")
            chars.halfPoints = hasParam && param > 0 ? std::clamp(param, 2, 288) : 0;
        else if (word == "f")
            chars.font = param;
        else if (word == "cf")
            chars.color = param;
    }

    void Paragraph() {
        Flush();
        EnterCell();
        OpenBlock();
        EndBlock();
        m_BlockPending = true;
        if (++m_Paragraphs >= kMaxParagraphs)
            m_Done = true;
    }

    // A paragraph mark opens the next block only once something goes into
    // it, so that a table or the end of the text follows without a blank.
    void OpenBlock() {
        if (!m_BlockPending)
            return;
        m_Cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        m_BlockPending = false;
    }

    bool InTable() const { return m_Para.inTable && m_TableCells < kMaxTableCells; }

    void Cell() {
        if (!InTable()) {
            Char(u'\t');
            return;
        }
        EnterCell();
        OpenBlock();
        EndBlock();
        m_NextCell = true;
    }

    void Row() {
        if (m_Table)
            m_RowDone = true;
        else if (m_Para.inTable)
            Paragraph();
    }

    // Gives the current block the paragraph's properties, and its list.
    void EndBlock() {
        QTextBlockFormat format;
        format.setAlignment(m_Para.align);
        format.setTopMargin(m_Para.before / kTwipsPerPixel);
        format.setBottomMargin(m_Para.after / kTwipsPerPixel);
        format.setRightMargin(std::max(0, m_Para.right) / kTwipsPerPixel);
        const ListKind kind = ItemKind();
        if (kind == ListKind::None) {
            format.setLeftMargin(std::max(0, m_Para.left) / kTwipsPerPixel);
            format.setTextIndent(std::max(-m_Para.left, m_Para.first) / kTwipsPerPixel);
            m_Cursor.setBlockFormat(format);
            m_Lists.clear();
        } else {
            m_Cursor.setBlockFormat(format);
            AddListItem(kind);
        }
        m_Marker.clear();
    }

    ListKind ItemKind() const {
        if (!m_Para.listed && m_Marker.trimmed().isEmpty())
            return ListKind::None;
        if (m_Para.kind != ListKind::None)
            return m_Para.kind;
        return KindOfMarker(m_Marker);
    }

    void AddListItem(ListKind kind) {
        const int key = m_Para.left * 16 + m_Para.level;
        while (!m_Lists.empty() && m_Lists.back().key > key)
            m_Lists.pop_back();
        if ((m_Lists.empty() || m_Lists.back().key < key) && m_Lists.size() <= kMaxListLevel)
            m_Lists.push_back(ListDepth{key, {}});
        QTextList*& list = m_Lists.back().lists[kind];
        if (list) {
            list->add(m_Cursor.block());
            return;
        }
        QTextListFormat format;
        format.setStyle(ListStyle(kind));
        format.setIndent(static_cast<int>(m_Lists.size()));
        list = m_Cursor.createList(format);
    }

    // Before anything is written: a paragraph inside a table goes to its
    // cell, one outside it after the table.
    void EnterCell() {
        if (!InTable()) {
            if (m_Table)
                LeaveTable();
            return;
        }
        if (!m_Table) {
            StartTable();
        } else if (m_RowDone) {
            m_Table->appendRows(1);
            m_Row = m_Table->rows() - 1;
            MoveToCell(0);
        } else if (m_NextCell) {
            if (m_Column + 1 < kMaxColumns) {
                if (m_Column + 1 >= m_Table->columns())
                    m_Table->appendColumns(1);
                MoveToCell(m_Column + 1);
            } else {
                ++m_TableCells;
                m_Cursor.insertText(
                    QStringLiteral("\t")); // more cells than columns: they share the last
            }
        }
        m_RowDone = false;
        m_NextCell = false;
    }

    void StartTable() {
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(Qt::gray);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        const int columns = std::max(1, static_cast<int>(m_CellEdges.size()));
        QList<QTextLength> widths;
        int previous = 0;
        const int total = m_CellEdges.empty() ? 0 : m_CellEdges.back();
        for (int edge : m_CellEdges) {
            if (total <= 0 || edge <= previous) {
                widths.clear();
                break;
            }
            widths.append(
                QTextLength(QTextLength::PercentageLength, 100.0 * (edge - previous) / total));
            previous = edge;
        }
        format.setColumnWidthConstraints(widths);
        m_Table = m_Cursor.insertTable(1, columns, format);
        m_Row = 0;
        MoveToCell(0);
    }

    void MoveToCell(int column) {
        m_Column = column;
        ++m_TableCells;
        m_Cursor = m_Table->cellAt(m_Row, column).firstCursorPosition();
        m_BlockPending = false;
        m_Lists.clear();
    }

    void LeaveTable() {
        m_Table = nullptr;
        m_Cursor.movePosition(QTextCursor::End);
        m_BlockPending = false;
        m_Lists.clear();
    }

    void Finish() {
        Flush();
        if (!m_BlockPending && (!m_Table || !(m_RowDone || m_NextCell)))
            EndBlock();
    }

    const QByteArray& m_In;
    QTextDocument& m_Document;
    qsizetype m_Pos = 0;
    bool m_Done = false;
    std::vector<Group> m_Groups{Group{}};
    int m_Overflow = 0;     // groups opened beyond kMaxDepth
    bool m_Starred = false; // \* read: an unknown destination that follows is skipped
    int m_SkipChars = 0;    // \uN fallback characters still to drop

    int m_CodePage = 1252;
    int m_DefaultFont = -1;
    QHash<int, Font> m_Fonts;
    QByteArray m_FontName;
    int m_FontIndex = -1;
    int m_FontCharset = -1;
    int m_FontCodePage = 0;
    std::vector<QColor> m_Colors;
    int m_Red = 0, m_Green = 0, m_Blue = 0;
    bool m_ColorSet = false;
    QString m_Marker;
    QString m_FieldInst;

    QTextCursor m_Cursor;
    QByteArray m_Bytes; // text still in its code page
    int m_BytesCodePage = 1252;
    QString m_Text;
    CharState m_TextChars;
    ParaState m_Para;
    bool m_BlockPending = false; // a paragraph has ended; the next one is not yet in the document
    int m_Paragraphs = 0;
    std::vector<ListDepth> m_Lists; // outermost first

    QTextTable* m_Table = nullptr;
    std::vector<int> m_CellEdges; // \cellx of the row being defined
    int m_Row = 0;
    int m_TableCells = 0; // in the whole document
    int m_Column = 0;
    bool m_NextCell = false; // \cell read: what follows goes to the next cell
    bool m_RowDone = false;  // \row read: what follows in the table starts a row
};

} // namespace

void RtfToDocument(const QByteArray& rtf, QTextDocument& document) {
    document.clear();
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    RtfReader(rtf, document).Run();
    document.setUndoRedoEnabled(undo);
}
