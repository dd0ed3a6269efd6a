#include "controls/sortlistview.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionHeader>
#include <algorithm>

TSortHeader::TSortHeader(TSortListView* list) : QHeaderView(Qt::Horizontal, list), m_List(list) {
    setSectionsClickable(true);
    setSortIndicatorShown(false);
    setHighlightSections(false);
}

void TSortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    // The style paints the section's background and frame only; caption and
    // arrow are ours.
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    option.text.clear();
    option.icon = QIcon();
    option.sortIndicator = QStyleOptionHeader::None;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    painter->restore();
    painter->save();
    m_List->DrawHeaderItem(*painter, rect, logicalIndex);
    painter->restore();
}

TSortListView::TSortListView(QWidget* parent) : QTreeWidget(parent) {
    setHeader(new TSortHeader(this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    header()->setSectionsClickable(true); // switching sorting off made it unclickable
    // Connected first, so the state is updated before any other receiver of
    // the header's click runs.
    connect(header(), &QHeaderView::sectionClicked, this, &TSortListView::HeaderClick);
}

void TSortListView::SetSortColumn(int column) {
    if (column == m_SortColumn)
        return;
    m_SortColumn = column;
    RepaintHeader();
}

void TSortListView::SetIncrease(bool increase) {
    if (increase == m_Increase)
        return;
    m_Increase = increase;
    RepaintHeader();
}

void TSortListView::SetSkipSort1(int column) {
    if (column == m_SkipSort1)
        return;
    m_SkipSort1 = column;
    if (m_SkipSort1 == m_SortColumn)
        SetSortColumn(m_SkipSort1 + 1);
}

void TSortListView::SetIncBMP(const QImage& image) {
    m_IncBMP = image;
    RepaintHeader();
}

void TSortListView::SetDecBMP(const QImage& image) {
    m_DecBMP = image;
    RepaintHeader();
}

int TSortListView::HeaderHeight() const {
    if (header()->isHidden())
        return 0;
    // The height the view gives its header when it lays it out.
    return std::max(header()->minimumHeight(), header()->sizeHint().height());
}

void TSortListView::RepaintHeader() {
    header()->viewport()->update();
}

void TSortListView::HeaderClick(int column) {
    if (column != m_SkipSort1) {
        if (column == m_SortColumn)
            m_Increase = !m_Increase;
        else
            m_SortColumn = column;
    }
    emit ColumnClick(column);
    RepaintHeader();
}

void TSortListView::showEvent(QShowEvent* event) {
    // The owner sorts; a design that switched the view's own sorting on would
    // reorder the rows behind its back.
    if (isSortingEnabled()) {
        setSortingEnabled(false);
        header()->setSortIndicatorShown(false);
        header()->setSectionsClickable(true);
    }
    QTreeWidget::showEvent(event);
}

// Coordinates below are edges: right and bottom lie one past the last pixel.
void TSortListView::DrawHeaderItem(QPainter& painter, const QRect& rect, int column) const {
    const int left = rect.x(), top = rect.y();
    const int right = rect.x() + rect.width(), bottom = rect.y() + rect.height();

    const QImage& arrow = m_Increase ? m_IncBMP : m_DecBMP;
    int arrowLeft = right, arrowRight = right, arrowTop = top, arrowBottom = top;
    // A double-resolution arrow is placed by its size on screen.
    const QSize arrowSize = arrow.deviceIndependentSize().toSize();
    if (!arrow.isNull() && column == m_SortColumn) {
        arrowLeft = std::max(right - arrowSize.width() - 5, left);
        arrowRight = std::min(arrowLeft + arrowSize.width(), right);
        arrowTop = std::max(top + (rect.height() - arrowSize.height()) / 2, top);
        arrowBottom = std::min(arrowTop + arrowSize.height(), bottom);
    }

    int textLeft = left + 5, textRight = right - 5;
    if (textRight > textLeft) {
        const QString caption = model()->headerData(column, Qt::Horizontal).toString();
        const QVariant alignData =
            model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
        const Qt::Alignment horizontal =
            Qt::Alignment(alignData.isValid() ? alignData.toInt() : int(Qt::AlignLeft)) &
            Qt::AlignHorizontal_Mask;
        const QFontMetrics metrics(font());
        const int measured = metrics.horizontalAdvance(
            metrics.elidedText(caption, Qt::ElideRight, textRight - textLeft));

        Qt::Alignment align = Qt::AlignLeft;
        if (horizontal & Qt::AlignRight) {
            align = Qt::AlignRight;
            textRight = arrowLeft - 2;
        } else if (horizontal & Qt::AlignHCenter) {
            align = Qt::AlignHCenter;
            const int end = textLeft + (textRight - textLeft - measured) / 2 + measured;
            if (end + 2 > arrowLeft)
                textRight = arrowLeft - 2;
        } else if (textLeft + measured + 2 > arrowLeft) {
            textRight = arrowLeft - 2;
        }

        if (textRight > textLeft) {
            const QRect area(textLeft, top, textRight - textLeft, bottom - top);
            painter.setFont(font());
            painter.setPen(header()->palette().color(QPalette::ButtonText));
            painter.drawText(area, int(align | Qt::AlignVCenter) | Qt::TextSingleLine,
                             metrics.elidedText(caption, Qt::ElideRight, area.width()));
        }
    }

    if (arrowRight > arrowLeft && arrowBottom > arrowTop)
        painter.drawImage(
            QRectF(arrowLeft, arrowTop, arrowRight - arrowLeft, arrowBottom - arrowTop), arrow,
            QRectF(0, 0, (arrowRight - arrowLeft) * arrow.devicePixelRatio(),
                   (arrowBottom - arrowTop) * arrow.devicePixelRatio()));
}
