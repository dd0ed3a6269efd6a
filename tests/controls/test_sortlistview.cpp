// The sortable list: sort state rules on header clicks and the owner-drawn
// header with its arrow and caption placement.
#include "controls/sortlistview.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr QRgb ArrowUp = 0xFF00C000;
constexpr QRgb ArrowDown = 0xFFC00000;

QImage Solid(QSize size, QRgb color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A list laid out as the survey lists are: seven columns, the icon column
// never sorting, sorted by signal strength, strongest first.
class SortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list = std::make_unique<TSortListView>();
        list->setColumnCount(7);
        list->setHeaderLabels({"", "SSID", "BSSID", "Signal", "Channel", "Encryption", "Auth"});
        for (int column = 0; column < 7; ++column)
            list->setColumnWidth(column, 70);
        list->SetSortColumn(3);
        list->SetIncrease(false);
        list->SetSkipSort1(0);
        list->resize(560, 200);
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }

    void ClickHeader(int column) {
        QHeaderView* header = list->header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    QImage Header() { return list->header()->viewport()->grab().toImage(); }

    std::unique_ptr<TSortListView> list;
};

} // namespace

// --- Sort state ------------------------------------------------------------------

TEST(SortListDefaults, StartUnsortedAndAscending) {
    TSortListView list;
    EXPECT_EQ(list.SortColunm(), 0);
    EXPECT_TRUE(list.Increase());
    EXPECT_EQ(list.SkipSort1(), -1);
    EXPECT_FALSE(list.rootIsDecorated());
    EXPECT_FALSE(list.isSortingEnabled());
}

TEST_F(SortListTest, HeaderClicksFollowTheRules) {
    QSignalSpy clicks(list.get(), &TSortListView::ColumnClick);

    ClickHeader(0);
    EXPECT_EQ(list->SortColunm(), 3) << "the skipped column changes nothing";
    EXPECT_FALSE(list->Increase());

    ClickHeader(3);
    EXPECT_TRUE(list->Increase());
    ClickHeader(3);
    EXPECT_FALSE(list->Increase()) << "two clicks return to the first direction";

    ClickHeader(1);
    EXPECT_EQ(list->SortColunm(), 1);
    EXPECT_FALSE(list->Increase()) << "a new column keeps the direction";

    ASSERT_EQ(clicks.count(), 4);
    EXPECT_EQ(clicks[0][0].toInt(), 0);
    EXPECT_EQ(clicks[3][0].toInt(), 1);
}

TEST_F(SortListTest, OwnerSeesTheNewStateAndTheViewNeverSorts) {
    for (const char* ssid : {"delta", "alpha", "charlie"})
        list->addTopLevelItem(new QTreeWidgetItem({"", ssid}));
    int seenColumn = -1;
    bool seenIncrease = false;
    QObject::connect(list.get(), &TSortListView::ColumnClick, [&](int) {
        seenColumn = list->SortColunm();
        seenIncrease = list->Increase();
    });
    // Another receiver of the header's own click sees it too.
    int headerSeen = -1;
    QObject::connect(list->header(), &QHeaderView::sectionClicked,
                     [&](int) { headerSeen = list->SortColunm(); });

    ClickHeader(3);
    EXPECT_EQ(seenColumn, 3);
    EXPECT_TRUE(seenIncrease);
    ClickHeader(1);
    EXPECT_EQ(seenColumn, 1);
    EXPECT_EQ(headerSeen, 1);

    EXPECT_EQ(list->topLevelItem(0)->text(1), "delta");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "alpha");
}

TEST(SortListDesign, SortingSwitchedOnInTheDesignStillLeavesSortingToTheOwner) {
    TSortListView designed;
    designed.setColumnCount(2);
    designed.setSortingEnabled(true); // what a form design may say
    designed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&designed));
    for (const char* name : {"b", "c", "a"})
        designed.addTopLevelItem(new QTreeWidgetItem({name, ""}));
    QSignalSpy clicks(&designed, &TSortListView::ColumnClick);

    QHeaderView* header = designed.header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionSize(0) / 2, header->height() / 2));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(designed.topLevelItem(0)->text(0), "b");
    EXPECT_EQ(designed.topLevelItem(2)->text(0), "a");
}

TEST(SortListSkip, SkippingTheSortColumnMovesItRight) {
    TSortListView list;
    list.SetSortColumn(2);
    list.SetSkipSort1(1);
    EXPECT_EQ(list.SortColunm(), 2);
    list.SetSkipSort1(2);
    EXPECT_EQ(list.SortColunm(), 3);
    EXPECT_EQ(list.SkipSort1(), 2);
}

// --- Header drawing ----------------------------------------------------------------

TEST_F(SortListTest, ArrowOnTheSortColumnFiveFromTheRightEdge) {
    list->SetIncBMP(Solid(QSize(8, 6), ArrowUp));
    list->SetDecBMP(Solid(QSize(8, 6), ArrowDown));
    const int h = list->header()->height();
    const int top = (h - 6) / 2;
    const int sectionRight = 4 * 70; // column 3 ends here (one past its last pixel)

    QImage header = Header();
    EXPECT_EQ(header.pixel(sectionRight - 5 - 8, top), ArrowDown);
    EXPECT_EQ(header.pixel(sectionRight - 5 - 1, top + 5), ArrowDown);
    EXPECT_NE(header.pixel(sectionRight - 5, top), ArrowDown);
    EXPECT_NE(header.pixel(sectionRight - 5 - 9, top), ArrowDown);
    EXPECT_NE(header.pixel(sectionRight - 5 - 8, top - 1), ArrowDown);
    EXPECT_NE(header.pixel(sectionRight - 5 - 8, top + 6), ArrowDown);

    ClickHeader(3);
    header = Header();
    EXPECT_EQ(header.pixel(sectionRight - 5 - 8, top), ArrowUp);

    // Only the sort column carries an arrow.
    ClickHeader(5);
    header = Header();
    int arrowPixels = 0;
    for (int y = 0; y < header.height(); ++y)
        for (int x = 0; x < header.width(); ++x)
            arrowPixels += header.pixel(x, y) == ArrowUp;
    EXPECT_EQ(arrowPixels, 8 * 6);
    EXPECT_EQ(header.pixel(6 * 70 - 5 - 8, top), ArrowUp);
}

TEST_F(SortListTest, EmptyArrowPicturesShowTextOnly) {
    const QImage plain = Header();
    list->SetIncBMP(Solid(QSize(8, 6), ArrowUp));
    list->SetIncBMP(QImage());
    EXPECT_EQ(Header(), plain);
    for (int column : {1, 2, 3, 4})
        ClickHeader(column);
    list->SetSortColumn(0);
    EXPECT_EQ(Header(), plain);
}

TEST_F(SortListTest, NarrowColumnCutsTheArrowAtItsEdges) {
    // Left half of the arrow green, right half red; the column is 6 wide.
    QImage arrow = Solid(QSize(10, 6), ArrowUp);
    for (int y = 0; y < 6; ++y)
        for (int x = 5; x < 10; ++x)
            arrow.setPixel(x, y, ArrowDown);
    list->SetDecBMP(arrow);
    list->header()->setMinimumSectionSize(1);
    list->setColumnWidth(3, 6);
    const int left = 3 * 70;
    const int top = (list->header()->height() - 6) / 2;

    const QImage header = Header();
    for (int x = left; x < left + 5; ++x)
        EXPECT_EQ(header.pixel(x, top), ArrowUp) << x;
    EXPECT_EQ(header.pixel(left + 5, top), ArrowDown);
    EXPECT_NE(header.pixel(left + 6, top), ArrowDown) << "cut at the column's right edge";
    EXPECT_NE(header.pixel(left - 1, top), ArrowUp) << "never left of the column";
}

// Text pixels of a column: where the header differs from the same header with
// the caption removed.
class HeaderTextTest : public SortListTest {
protected:
    QList<int> InkColumns(int column, const QString& caption, Qt::Alignment align) {
        list->headerItem()->setTextAlignment(column, align);
        list->headerItem()->setText(column, caption);
        const QImage with = Header();
        list->headerItem()->setText(column, "");
        const QImage without = Header();
        QList<int> columns;
        for (int x = 0; x < with.width(); ++x)
            for (int y = 0; y < with.height(); ++y)
                if (with.pixel(x, y) != without.pixel(x, y)) {
                    columns << x;
                    break;
                }
        return columns;
    }
};

TEST_F(HeaderTextTest, CaptionKeepsClearOfTheArrow) {
    list->SetDecBMP(Solid(QSize(8, 6), ArrowDown));
    const int left = 3 * 70, right = 4 * 70;
    const int arrowLeft = right - 5 - 8;

    QList<int> ink = InkColumns(3, "Signal strength in percent", Qt::AlignLeft);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.first(), left + 5);
    EXPECT_LT(ink.last(), arrowLeft - 2);

    ink = InkColumns(3, "Signal", Qt::AlignRight);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.last(), arrowLeft - 2);
    EXPECT_GE(ink.last(), arrowLeft - 2 - 4) << "right-aligned text ends at the arrow";

    ink = InkColumns(3, "Signal strength in percent", Qt::AlignHCenter);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.last(), arrowLeft - 2);

    // Without the arrow a right-aligned caption ends 2 pixels from the edge.
    ink = InkColumns(2, "BSSID", Qt::AlignRight);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.last(), 3 * 70 - 2);
    EXPECT_GE(ink.last(), 3 * 70 - 5);
}

TEST_F(SortListTest, HeaderHeightIsTheLaidOutHeader) {
    EXPECT_GT(list->HeaderHeight(), 0);
    EXPECT_EQ(list->HeaderHeight(), list->header()->height());
    list->setHeaderHidden(true);
    EXPECT_EQ(list->HeaderHeight(), 0);
}
