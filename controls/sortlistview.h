#pragma once
// A report list with a column header that keeps a sort state (column and
// direction), updates it on header clicks and draws the header itself, with an
// arrow picture on the sort column. It never sorts on its own: the owner sorts
// with its own compare rule when ColumnClick arrives, the new state already in
// place.

#include <QHeaderView>
#include <QImage>
#include <QTreeWidget>

class TSortListView;

// The owner-drawn header of TSortListView.
class TSortHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit TSortHeader(TSortListView* list);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    TSortListView* m_List;
};

class TSortListView : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(int SortColunm READ SortColunm WRITE SetSortColumn)
    Q_PROPERTY(bool Increase READ Increase WRITE SetIncrease)
    Q_PROPERTY(int SkipSort1 READ SkipSort1 WRITE SetSkipSort1)
    Q_PROPERTY(QImage IncBMP READ IncBMP WRITE SetIncBMP)
    Q_PROPERTY(QImage DecBMP READ DecBMP WRITE SetDecBMP)

public:
    explicit TSortListView(QWidget* parent = nullptr);

    int SortColunm() const { return m_SortColumn; }
    void SetSortColumn(int column);
    // true ascending, false descending.
    bool Increase() const { return m_Increase; }
    void SetIncrease(bool increase);
    // A column whose header click never changes the sort state (-1: none).
    // Setting it onto the sort column moves the sort column one to the right.
    int SkipSort1() const { return m_SkipSort1; }
    void SetSkipSort1(int column);
    // Arrow pictures of the sort column's header, ascending and descending.
    const QImage& IncBMP() const { return m_IncBMP; }
    void SetIncBMP(const QImage& image);
    const QImage& DecBMP() const { return m_DecBMP; }
    void SetDecBMP(const QImage& image);

    // Height in pixels of the column header as the list lays it out.
    int HeaderHeight() const;

    // Draws one header item over its background: caption clear of the arrow,
    // then the arrow, right-aligned 5 pixels from the edge and cut (not
    // scaled) where the column is narrower than the picture.
    void DrawHeaderItem(QPainter& painter, const QRect& rect, int column) const;

signals:
    // A header click, after the sort state has been updated.
    void ColumnClick(int column);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void HeaderClick(int column);
    void RepaintHeader();

    int m_SortColumn = 0;
    bool m_Increase = true;
    int m_SkipSort1 = -1;
    QImage m_IncBMP;
    QImage m_DecBMP;
};
