// The survey list shared by the site survey page and the WPS survey dialog:
// cell texts and icons, the compare rule with its keys and direction, and the
// owner-drawn rows checked pixel by pixel on the offscreen platform.

#include "controls/sortlistview.h"
#include "pages/surveylist.h"
#include "settings/textutil.h"
#include "settingsui/formres.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using namespace SurveyList;

namespace {

_tag_AP_ROFIILE Entry(const char* ssid, int signal, int channel = 6, int encryption = 3,
                      int authentication = 3, const char* bssid = "\x00\x11\x22\x33\x44\x55",
                      int kind = 0, bool highlighted = false) {
    _tag_AP_ROFIILE entry{};
    entry.Highlighted = highlighted;
    CopyBounded(entry.SSID, sizeof entry.SSID, QString::fromUtf8(ssid));
    std::memcpy(entry.BSSID, bssid, 6);
    entry.Signal = signal;
    entry.Channel = channel;
    entry.Encryption = static_cast<uint8_t>(encryption);
    entry.Authentication = static_cast<uint8_t>(authentication);
    entry.NetworkKind = static_cast<uint8_t>(kind);
    entry.WpsCapable = true;
    return entry;
}

QRgb Rgb(const QColor& color) {
    return color.rgb();
}

bool IsDark(QRgb pixel) {
    return qRed(pixel) < 128 && qGreen(pixel) < 128 && qBlue(pixel) < 128;
}
bool IsBlue(QRgb pixel) {
    return qBlue(pixel) > 200 && qRed(pixel) < 120 && qGreen(pixel) < 120;
}

} // namespace

TEST(SurveyLabels, EncryptionAndAuthentication) {
    const char* encryption[] = {"Not Use", "WEP", "TKIP", "AES", "TKIP/AES", "", ""};
    for (int code = 0; code < 7; ++code)
        EXPECT_EQ(EncryptionText(static_cast<uint8_t>(code)), QString::fromLatin1(encryption[code]))
            << code;
    EXPECT_EQ(EncryptionText(255), "");

    const char* full[] = {"OPEN", "",     "WPA-PSK",  "WPA2-PSK", "WPA-PSK/WPA2-PSK",
                          "WPA",  "WPA2", "WPA/WPA2", ""};
    const char* wps[] = {"OPEN", "", "WPA-PSK", "WPA2-PSK", "WPA-PSK/WPA2-PSK", "", "", "", ""};
    for (int code = 0; code < 9; ++code) {
        EXPECT_EQ(AuthenticationText(static_cast<uint8_t>(code), AuthLabels::Full),
                  QString::fromLatin1(full[code]))
            << code;
        EXPECT_EQ(AuthenticationText(static_cast<uint8_t>(code), AuthLabels::WpsOnly),
                  QString::fromLatin1(wps[code]))
            << code;
    }
}

TEST(SurveyLabels, IconsSignalAndBSSID) {
    EXPECT_EQ(RowIcon(Entry("a", 50, 1, 0, 0, "\0\0\0\0\0\0", 0)), 0);
    EXPECT_EQ(RowIcon(Entry("a", 50, 1, 0, 0, "\0\0\0\0\0\0", 1)), 1);
    EXPECT_EQ(RowIcon(Entry("a", 50, 1, 0, 3, "\0\0\0\0\0\0", 0)), 2);
    EXPECT_EQ(RowIcon(Entry("a", 50, 1, 0, 1, "\0\0\0\0\0\0", 7)),
              3); // code 1 has no label but a padlock
    const int levels[][2] = {{0, 4},  {19, 4}, {20, 5}, {39, 5},  {40, 6},  {59, 6},
                             {60, 7}, {79, 7}, {80, 8}, {100, 8}, {999, 8}, {-5, 4}};
    for (const auto& [signal, icon] : levels)
        EXPECT_EQ(SignalIcon(signal), icon) << signal;
    EXPECT_EQ(SignalText(80), "80%");
    EXPECT_EQ(SignalText(100), "100%");
    EXPECT_EQ(BSSIDText(Entry("a", 1, 1, 0, 0, "\x00\x1A\xab\xCD\xef\xFF")), "00:1A:AB:CD:EF:FF");

    const TSurveyItem item(Entry("Lobby", 100, 11, 7, 1), AuthLabels::Full);
    EXPECT_EQ(item.text(ColIcon), "");
    EXPECT_EQ(item.text(ColSSID), "Lobby");
    EXPECT_EQ(item.text(ColChannel), "11");
    EXPECT_EQ(item.text(ColSignal), "100%");
    EXPECT_EQ(item.text(ColEncryption), "");
    EXPECT_EQ(item.text(ColAuthentication), "");
    EXPECT_EQ(item.data(ColIcon, TSurveyItem::IconRole).toInt(), 2);
    EXPECT_EQ(item.data(ColSignal, TSurveyItem::IconRole).toInt(), 8);
    for (int column : {ColSSID, ColChannel, ColEncryption, ColAuthentication, ColBSSID})
        EXPECT_FALSE(item.data(column, TSurveyItem::IconRole).isValid()) << column;

    // An SSID that fills all 32 bytes is shown whole.
    _tag_AP_ROFIILE full = Entry("", 1);
    std::memset(full.SSID, 'x', 32);
    EXPECT_EQ(SSIDText(full), QString(32, QChar('x')));

    // A control character is shown escaped; the entry keeps the SSID as sent.
    const TSurveyItem hostile(Entry("\x1b[2Jnet\r\nFAKE", 50), AuthLabels::Full);
    EXPECT_EQ(hostile.text(ColSSID), "\\x1b[2Jnet\\x0d\\x0aFAKE");
    EXPECT_EQ(SSIDText(hostile.Entry()).left(4), "\x1b[2J");
}

// A device's signal outside 0..100 is shown held to it, in text and icon.
TEST(SurveyLabels, SignalOutsideAPercentIsHeldToIt) {
    const struct {
        int signal;
        const char* text;
        int icon;
    } cases[] = {{150, "100%", 8}, {999, "100%", 8}, {101, "100%", 8},
                 {-1, "0%", 4},    {-25, "0%", 4},   {-999, "0%", 4}};
    for (const auto& c : cases) {
        const TSurveyItem item(Entry("x", c.signal), AuthLabels::Full);
        EXPECT_EQ(item.text(ColSignal), c.text) << c.signal;
        EXPECT_EQ(item.data(ColSignal, TSurveyItem::IconRole).toInt(), c.icon) << c.signal;
        EXPECT_EQ(item.Entry().Signal, c.signal); // the row keeps what the device sent
    }
}

TEST(SurveyCompare, Keys) {
    const TSurveyItem ch2(Entry("b", 10, 2, 3, 2, "\x01\x00\x00\x00\x00\x09"), AuthLabels::Full);
    const TSurveyItem ch11(Entry("B", 90, 11, 0, 6, "\x01\x00\x00\x00\x00\x0A"), AuthLabels::Full);
    const TSurveyItem ch3(Entry("a", -1, -1, 2, 0, "\x00\xFF\xFF\xFF\xFF\xFF"), AuthLabels::Full);

    // Channel: numeric, unsigned.
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, ColChannel), -1);
    EXPECT_EQ(TSurveyItem::Compare(ch11, ch2, ColChannel), 1);
    EXPECT_EQ(TSurveyItem::Compare(ch11, ch11, ColChannel), 0);
    EXPECT_EQ(TSurveyItem::Compare(ch3, ch11, ColChannel), 1); // -1 read unsigned is the largest
    // Signal: signed.
    EXPECT_EQ(TSurveyItem::Compare(ch3, ch2, ColSignal), -1);
    EXPECT_EQ(TSurveyItem::Compare(ch11, ch2, ColSignal), 1);
    // BSSID: byte-wise, first byte most significant, unsigned.
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, ColBSSID), -1);
    EXPECT_EQ(TSurveyItem::Compare(ch3, ch2, ColBSSID), -1);
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch2, ColBSSID), 0);
    // SSID: text, case-insensitive.
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, ColSSID), 0);
    EXPECT_EQ(TSurveyItem::Compare(ch3, ch2, ColSSID), -1);
    // Encryption and authentication: by their label text, not their code.
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, ColEncryption), -1);    // "AES" < "Not Use"
    EXPECT_EQ(TSurveyItem::Compare(ch11, ch3, ColEncryption), -1);    // "Not Use" < "TKIP"
    EXPECT_EQ(TSurveyItem::Compare(ch3, ch2, ColAuthentication), -1); // "OPEN" < "WPA-PSK"
    EXPECT_EQ(TSurveyItem::Compare(ch11, ch2, ColAuthentication), 1); // "WPA2" > "WPA-PSK"
    // The icon column and beyond the last column: all equal.
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, 0), 0);
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, -1), 0);
    EXPECT_EQ(TSurveyItem::Compare(ch2, ch11, 7), 0);

    EXPECT_EQ(CompareTextNoCase("abc", "ABD"), -1);
    EXPECT_EQ(CompareTextNoCase("ABC", "abc"), 0);
    EXPECT_EQ(CompareTextNoCase("ab", "abc"), -1);
    EXPECT_EQ(CompareTextNoCase("_", "a"), -1); // '_' (0x5F) before 'a', after 'A' would be
}

class SurveyListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Res = std::make_unique<TFormRes>(false);
        FormRes = Res.get();
        List = std::make_unique<TSortListView>();
        List->setObjectName("SurveyList");
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11); // a row of the icon height plus one
        List->setFont(font);
        Presenter = std::make_unique<CSurveyList>(List.get(), AuthLabels::Full);
        Presenter->Setup("TSurveyListTest");
        List->setGeometry(0, 0, 560, 220);
    }
    void TearDown() override {
        Presenter.reset();
        List.reset();
        FormRes = nullptr;
    }

    QStringList Column(int column) const {
        QStringList texts;
        for (int i = 0; i < Presenter->RowCount(); ++i)
            texts << Presenter->Row(i)->text(column);
        return texts;
    }
    // What the rows area shows.
    QImage Viewport() {
        List->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(List.get()));
        return List->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    int CellLeft(int column) const { return List->header()->sectionViewportPosition(column) + 1; }
    int CellRight(int column) const {
        return CellLeft(column) + List->header()->sectionSize(column);
    }
    QRect RowRect(int row) const { return List->visualItemRect(List->topLevelItem(row)); }

    std::unique_ptr<TFormRes> Res;
    std::unique_ptr<TSortListView> List;
    std::unique_ptr<CSurveyList> Presenter;
};

TEST_F(SurveyListTest, ColumnsAndInitialSortState) {
    const char* captions[] = {"",           "SSID",           "Channel", "Signal",
                              "Encryption", "Authentication", "BSSID"};
    const int widths[] = {30, 115, 50, 60, 70, 80, 110};
    const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignLeft,    Qt::AlignHCenter,
                                    Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter,
                                    Qt::AlignLeft};
    ASSERT_EQ(List->columnCount(), ColumnCount);
    for (int column = 0; column < ColumnCount; ++column) {
        EXPECT_EQ(List->headerItem()->text(column), QString::fromLatin1(captions[column]));
        EXPECT_EQ(List->header()->sectionSize(column), widths[column]);
        EXPECT_EQ(List->headerItem()->data(column, Qt::TextAlignmentRole).toInt() &
                      Qt::AlignHorizontal_Mask,
                  int(aligns[column]));
    }
    EXPECT_EQ(List->SortColunm(), 3);
    EXPECT_FALSE(List->Increase());
    EXPECT_EQ(List->SkipSort1(), 0);
    EXPECT_EQ(List->IncBMP(), FormRes->ImgSortInc);
    EXPECT_EQ(List->DecBMP(), FormRes->ImgSortDec);
    EXPECT_EQ(List->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(List->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(List->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(SurveyListTest, SortsByTheListStateWithTheDirectionFactor) {
    Presenter->Append({Entry("b", 40, 11, 0), Entry("C", 90, 2, 3), Entry("a", 10, 6, 2)});
    EXPECT_EQ(Column(ColSSID), QStringList({"b", "C", "a"})); // appended in order
    Presenter->Sort();
    EXPECT_EQ(Column(ColSSID), QStringList({"C", "b", "a"})); // strongest signal first

    List->SetSortColumn(ColChannel);
    List->SetIncrease(true);
    Presenter->Sort();
    EXPECT_EQ(Column(ColChannel), QStringList({"2", "6", "11"}));
    List->SetSortColumn(ColEncryption);
    Presenter->Sort();
    EXPECT_EQ(Column(ColEncryption), QStringList({"AES", "Not Use", "TKIP"}));
    List->SetIncrease(false);
    Presenter->Sort();
    EXPECT_EQ(Column(ColEncryption), QStringList({"TKIP", "Not Use", "AES"}));
    List->SetSortColumn(ColSSID);
    Presenter->Sort();
    EXPECT_EQ(Column(ColSSID), QStringList({"C", "b", "a"}));

    // The selection stays on its row.
    List->topLevelItem(1)->setSelected(true);
    List->SetIncrease(true);
    Presenter->Sort();
    ASSERT_NE(Presenter->Selected(), nullptr);
    EXPECT_STREQ(Presenter->Selected()->SSID, "b");
    EXPECT_EQ(List->selectedItems().size(), 1);

    Presenter->Clear();
    EXPECT_EQ(Presenter->RowCount(), 0);
    EXPECT_EQ(Presenter->Selected(), nullptr);
}

TEST_F(SurveyListTest, StripesToTheBottomEdge) {
    Presenter->Append({Entry("one", 90), Entry("two", 50), Entry("three", 10)});
    Presenter->Sort();
    const QImage image = Viewport();
    const int height = RowRect(0).height();
    ASSERT_GT(height, 2);
    EXPECT_EQ(RowRect(0).top(), 0);
    const int x = CellRight(ColIcon) - 4; // right of the row icon, no text there
    for (int row = 0; row * height + height <= image.height(); ++row) {
        const QRgb expected = Rgb(row % 2 ? StripeOdd : StripeEven);
        EXPECT_EQ(image.pixel(x, row * height + 2), expected) << "row " << row;
        EXPECT_EQ(image.pixel(x, row * height + height - 2), expected) << "row " << row;
        // The grid: the bottom pixel line of every row.
        EXPECT_EQ(image.pixel(x, row * height + height - 1), Rgb(GridLine)) << "row " << row;
    }
    // Also right of the last column.
    EXPECT_EQ(image.pixel(image.width() - 3, height + 3), Rgb(StripeOdd));
}

TEST_F(SurveyListTest, EmptyListStripesOneIconHeightPlusOne) {
    const QImage image = Viewport();
    const int x = 20;
    EXPECT_EQ(image.pixel(x, 0), Rgb(StripeEven));
    EXPECT_EQ(image.pixel(x, IconSize - 1), Rgb(StripeEven));
    EXPECT_EQ(image.pixel(x, IconSize), Rgb(GridLine));
    EXPECT_EQ(image.pixel(x, IconSize + 1), Rgb(StripeOdd));
    EXPECT_EQ(image.pixel(x, 2 * IconSize), Rgb(StripeOdd));
    EXPECT_EQ(image.pixel(x, 2 * IconSize + 2), Rgb(StripeEven));
}

TEST_F(SurveyListTest, SelectionFrameLessTheBottomLine) {
    Presenter->Append({Entry("one", 90), Entry("two", 50), Entry("three", 10)});
    Presenter->Sort();
    List->topLevelItem(1)->setSelected(true);
    const QImage image = Viewport();
    const QRect row = RowRect(1);
    const int right = List->header()->length() - 1;
    EXPECT_EQ(image.pixel(CellRight(ColIcon) - 4, row.top() + 3), Rgb(SelectionFill));
    EXPECT_EQ(image.pixel(CellLeft(ColBSSID) + 100, row.top() + 3), Rgb(SelectionFill));
    EXPECT_EQ(image.pixel(0, row.top() + 3), Rgb(SelectionPen));
    EXPECT_EQ(image.pixel(right, row.top() + 3), Rgb(SelectionPen));
    EXPECT_EQ(image.pixel(40, row.top()), Rgb(SelectionPen));
    EXPECT_EQ(image.pixel(40, row.bottom() - 1), Rgb(SelectionPen));
    EXPECT_EQ(image.pixel(40, row.bottom()), Rgb(GridLine));          // not framed
    EXPECT_EQ(image.pixel(right + 2, row.top() + 3), Rgb(StripeOdd)); // beyond the columns
    // The other rows keep their stripes.
    EXPECT_EQ(image.pixel(40, RowRect(0).top() + 3), Rgb(StripeEven));
    EXPECT_EQ(image.pixel(40, RowRect(2).top() + 3), Rgb(StripeEven));
}

TEST_F(SurveyListTest, HighlightedEntriesInBlue) {
    Presenter->Append({Entry("WWWWWW", 90, 6, 3, 3, "\0\0\0\0\0\1", 0, true),
                       Entry("WWWWWW", 50, 6, 3, 3, "\0\0\0\0\0\2", 0, false)});
    Presenter->Sort();
    const QImage image = Viewport();
    auto count = [&](int row, bool (*test)(QRgb)) {
        int n = 0;
        const QRect rect = RowRect(row);
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = CellLeft(ColSSID); x < CellRight(ColSSID); ++x)
                n += test(image.pixel(x, y));
        return n;
    };
    EXPECT_GT(count(0, IsBlue), 0);
    EXPECT_EQ(count(1, IsBlue), 0);
    EXPECT_GT(count(1, IsDark), 0);
}

TEST_F(SurveyListTest, IconsOnePixelInAndTextInsetFivePixels) {
    Presenter->Append({Entry("An SSID much too long for its column, cut with an ellipsis", 85, 6, 3,
                             3, "\0\0\0\0\0\1", 1)});
    const QImage image = Viewport();
    const QRect row = RowRect(0);
    const int iconTop = row.top() + (row.height() - IconSize) / 2;

    auto iconAt = [&](int index, int left) {
        const QImage icon = FormRes->ImgsType.at(index).convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        for (int y = 0; y < IconSize; ++y)
            for (int x = 0; x < IconSize; ++x) {
                const QRgb pixel = icon.pixel(x, y);
                if (qAlpha(pixel) != 255)
                    continue;
                ++opaque;
                if (image.pixel(left + x, iconTop + y) != (pixel | 0xFF000000))
                    return false;
            }
        return opaque > 0;
    };
    EXPECT_TRUE(iconAt(RowIcon(Presenter->Row(0)->Entry()), CellLeft(ColIcon) + 1));
    EXPECT_EQ(RowIcon(Presenter->Row(0)->Entry()), 3);
    EXPECT_TRUE(iconAt(8, CellLeft(ColSignal) + 1));

    // Dark (text) pixels of a cell: where they start and end.
    auto span = [&](int column) {
        int first = INT_MAX, last = -1;
        for (int y = row.top(); y < row.bottom(); ++y)
            for (int x = CellLeft(column); x < CellRight(column); ++x)
                if (IsDark(image.pixel(x, y))) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair(first, last);
    };
    const auto [ssidFirst, ssidLast] = span(ColSSID);
    EXPECT_GE(ssidFirst, CellLeft(ColSSID) + TextInset);
    EXPECT_LE(ssidFirst, CellLeft(ColSSID) + TextInset + 2);
    EXPECT_LT(ssidLast, CellRight(ColSSID) - TextInset);      // cut, inside the inset
    EXPECT_GT(ssidLast, CellRight(ColSSID) - TextInset - 12); // and filled up to it
    // After an icon the text begins after the icon width plus one pixel.
    const auto [signalFirst, signalLast] = span(ColSignal);
    EXPECT_GE(signalFirst, CellLeft(ColSignal) + IconSize + 1 + TextInset);
    EXPECT_LE(signalFirst, CellLeft(ColSignal) + IconSize + 1 + TextInset + 2);
    EXPECT_LT(signalLast, CellRight(ColSignal) - TextInset);
    // Centred columns.
    const auto [channelFirst, channelLast] = span(ColChannel);
    const int middle = (CellLeft(ColChannel) + CellRight(ColChannel)) / 2;
    EXPECT_LE(std::abs((channelFirst + channelLast) / 2 - middle), 2);
}

// The icons read as text for screen readers, in the page's words when its
// section has them.
TEST_F(SurveyListTest, IconsReadAsText) {
    Presenter->Append(
        {Entry("Open", 80, 6, 0, 0), Entry("Locked", 19, 6, 3, 3, "\x01\x02\x03\x04\x05\x06", 1)});
    const struct {
        int row;
        const char* kind;
        const char* signal;
    } rows[] = {{0, "Access point", "Signal 80 %"}, {1, "Station, secured", "Signal 19 %"}};
    for (const auto& row : rows) {
        EXPECT_EQ(Presenter->Row(row.row)->data(ColIcon, Qt::AccessibleTextRole).toString(),
                  row.kind);
        EXPECT_EQ(Presenter->Row(row.row)->data(ColSignal, Qt::AccessibleTextRole).toString(),
                  row.signal);
    }
}
