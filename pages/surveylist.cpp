#include "pages/surveylist.h"

#include "controls/sortlistview.h"
#include "protocol/formudp.h"
#include "protocol/packet.h"
#include "requests/waits.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settings/wirelessrules.h"
#include "settingsui/formres.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>
#include <cstring>

namespace SurveyList {

namespace {

constexpr int HighlightRole = Qt::UserRole + 2;

struct ColumnDesign {
    const char* caption;
    int width;
    Qt::Alignment align;
};

const ColumnDesign kColumns[ColumnCount] = {
    {"", 30, Qt::AlignLeft},
    {"SSID", 115, Qt::AlignLeft},
    {"Channel", 50, Qt::AlignHCenter},
    {"Signal", 60, Qt::AlignLeft},
    {"Encryption", 70, Qt::AlignHCenter},
    {"Authentication", 80, Qt::AlignHCenter},
    {"BSSID", 110, Qt::AlignLeft},
};

int Sign(long long value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

QString EncryptionText(uint8_t code) {
    return wirelessrules::EncryptionLabel(code);
}

QString AuthenticationText(uint8_t code, AuthLabels labels) {
    return wirelessrules::AuthenticationLabel(code, labels == AuthLabels::WpsOnly);
}

int RowIcon(const _tag_AP_ROFIILE& entry) {
    return (entry.NetworkKind != 0 ? 1 : 0) + (entry.Authentication != 0 ? 2 : 0);
}

int SignalIcon(int signal) {
    return 4 + std::min(swp::SignalPercent(signal) / 20, 4);
}

QString SignalText(int signal) {
    return QString::asprintf("%d%%", swp::SignalPercent(signal));
}

SurveySent SendSurveyRequest() {
    if (!FormUDP)
        return SurveySent::NoEngine;
    if (!FormUDP->LoggedIn) {
        FormUDP->SendLogin(Waits::Login);
        return SurveySent::Login;
    }
    FormUDP->SendSiteSurvey(Waits::SiteSurvey);
    return SurveySent::Survey;
}

SurveyStep SurveyStepOf(const CUdpMessage& message) {
    switch (message.Message()) {
    case UM_UDP_RESULT:
        if (message.Code() == WAIT_SITE_SURVEY)
            return SurveyStep::Fill;
        if (message.Code() == WAIT_LOGIN && message.Positive())
            return SurveyStep::Start;
        return SurveyStep::None;
    case UM_UDP_TIMEOUT:
        return SurveyStep::Fill;
    default:
        return SurveyStep::None;
    }
}

QString SSIDText(const _tag_AP_ROFIILE& entry) {
    return QString::fromUtf8(entry.SSID,
                             static_cast<qsizetype>(strnlen(entry.SSID, sizeof entry.SSID)));
}

QString BSSIDText(const _tag_AP_ROFIILE& entry) {
    return FormatMAC(entry.BSSID);
}

int CompareTextNoCase(const QString& a, const QString& b) {
    auto lower = [](char16_t c) -> char16_t { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = lower(a.at(i).unicode()), cb = lower(b.at(i).unicode());
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return Sign(static_cast<long long>(a.size()) - b.size());
}

// ---------------------------------------------------------------------------

TSurveyItem::TSurveyItem(const _tag_AP_ROFIILE& entry, AuthLabels labels) : m_Entry(entry) {
    // The SSID is shown escaped; the entry keeps it as the device sent it.
    setText(ColSSID,
            PrintableText(entry.SSID, static_cast<size_t>(strnlen(entry.SSID, sizeof entry.SSID))));
    setText(ColChannel, QString::number(entry.Channel));
    setText(ColSignal, SignalText(entry.Signal));
    setText(ColEncryption, EncryptionText(entry.Encryption));
    setText(ColAuthentication, AuthenticationText(entry.Authentication, labels));
    setText(ColBSSID, BSSIDText(entry));
    setData(ColIcon, IconRole, RowIcon(entry));
    setData(ColSignal, IconRole, SignalIcon(entry.Signal));
    setData(ColIcon, HighlightRole, entry.Highlighted);
}

int TSurveyItem::Compare(const TSurveyItem& a, const TSurveyItem& b, int sortColumn) {
    if (sortColumn <= 0)
        return CompareTextNoCase(a.text(ColIcon), b.text(ColIcon));
    switch (sortColumn) {
    case ColChannel:
        return Sign(static_cast<long long>(static_cast<uint32_t>(a.m_Entry.Channel)) -
                    static_cast<uint32_t>(b.m_Entry.Channel));
    case ColSignal:
        return Sign(static_cast<long long>(swp::SignalPercent(a.m_Entry.Signal)) -
                    swp::SignalPercent(b.m_Entry.Signal));
    case ColBSSID:
        return Sign(std::memcmp(a.m_Entry.BSSID, b.m_Entry.BSSID, sizeof a.m_Entry.BSSID));
    case ColSSID:
    case ColEncryption:
    case ColAuthentication:
        return CompareTextNoCase(a.text(sortColumn), b.text(sortColumn));
    default:
        return 0; // no such column: every row is equal
    }
}

// ---------------------------------------------------------------------------

TSurveyDelegate::TSurveyDelegate(TSortListView* list)
    : QStyledItemDelegate(list), m_List(list), m_Viewport(list->viewport()) {
    m_Viewport->installEventFilter(this);
}

int TSurveyDelegate::RowHeight() const {
    return std::max(IconSize, m_List->fontMetrics().height()) + 1;
}

QSize TSurveyDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    return {m_List->header()->sectionSize(index.column()), RowHeight()};
}

void TSurveyDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QHeaderView* header = m_List->header();
    const int column = index.column();
    // The cells start one pixel right of the row's left edge.
    const int cellLeft = header->sectionViewportPosition(column) + 1;
    const int cellRight = cellLeft + header->sectionSize(column);
    const int top = option.rect.top(), height = option.rect.height();

    painter->save();
    int textLeft = cellLeft;
    const QVariant icon = index.data(TSurveyItem::IconRole);
    if (icon.isValid()) {
        const int number = icon.toInt();
        if (FormRes && number >= 0 && number < FormRes->ImgsType.size())
            painter->drawImage(QPoint(cellLeft + 1, top + (height - IconSize) / 2),
                               FormRes->ImgsType.at(number));
        textLeft = cellLeft + IconSize + 1;
    }

    const QRect area(textLeft + TextInset, top, cellRight - TextInset - (textLeft + TextInset),
                     height);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (area.width() > 0 && !text.isEmpty()) {
        const QVariant alignData =
            m_List->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
        const Qt::Alignment horizontal =
            Qt::Alignment(alignData.isValid() ? alignData.toInt() : int(Qt::AlignLeft)) &
            Qt::AlignHorizontal_Mask;
        const bool highlighted = index.siblingAtColumn(ColIcon).data(HighlightRole).toBool();
        painter->setFont(m_List->font());
        painter->setPen(highlighted ? HighlightedText : QColor(Qt::black));
        painter->setBackgroundMode(Qt::TransparentMode);
        painter->setClipRect(area, Qt::IntersectClip);
        const QFontMetrics metrics(m_List->font());
        painter->drawText(area, int(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine,
                          metrics.elidedText(text, Qt::ElideRight, area.width()));
    }
    painter->restore();
}

void TSurveyDelegate::PaintBackground(QPainter& painter) const {
    const QWidget* viewport = m_List->viewport();
    const QHeaderView* header = m_List->header();
    const int width = viewport->width(), height = viewport->height();
    // Stripes, one row high, from the first row on to the bottom edge; with no
    // rows from just below the header, one icon height plus one pixel high.
    // Odd rows are light yellow.
    int y = 0;
    int rowHeight = IconSize + 1;
    if (QTreeWidgetItem* first = m_List->topLevelItem(0)) {
        const QRect rect = m_List->visualItemRect(first);
        y = rect.top();
        rowHeight = rect.height() > 0 ? rect.height() : RowHeight();
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int row = 0; y < height; ++row, y += rowHeight) {
        if (y + rowHeight <= 0)
            continue;
        painter.fillRect(QRect(0, y, width, rowHeight), row % 2 ? StripeOdd : StripeEven);
        painter.fillRect(QRect(0, y + rowHeight - 1, width, 1), GridLine);
    }
    for (int column = 0; column < header->count(); ++column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
        if (x >= 0 && x < width)
            painter.fillRect(QRect(x, 0, 1, height), GridLine);
    }

    // The selected row: framed, less its bottom pixel line.
    const int rowLeft = header->sectionViewportPosition(0);
    const int rowWidth = header->length();
    painter.setPen(SelectionPen);
    painter.setBrush(SelectionFill);
    for (QTreeWidgetItem* item : m_List->selectedItems()) {
        const QRect row = m_List->visualItemRect(item);
        if (row.height() >= 2 && rowWidth >= 1)
            painter.drawRect(QRect(rowLeft, row.top(), rowWidth - 1, row.height() - 2));
    }
    painter.restore();
}

bool TSurveyDelegate::eventFilter(QObject* watched, QEvent* event) {
    // The viewport is only compared by address: the filter also sees its
    // events while the list is being destroyed. Its events are not an
    // editor's, so they stay away from the base class.
    if (watched == m_Viewport) {
        if (event->type() == QEvent::Paint) {
            QPainter painter(m_Viewport);
            PaintBackground(painter);
        }
        return false;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

CSurveyList::CSurveyList(TSortListView* list, AuthLabels labels) : m_List(list), m_Labels(labels) {}

void CSurveyList::Setup(const QString& section) {
    TSortListView* list = m_List;
    const auto text = [&](const char* key, const QString& english) {
        return GetText(section, list->objectName() + QLatin1String(key), english);
    };
    m_AccessPoint = text("_AccessPoint", m_AccessPoint);
    m_Station = text("_Station", m_Station);
    m_Secured = text("_Secured", m_Secured);
    m_Signal = text("_Signal", m_Signal);
    list->setColumnCount(ColumnCount);
    QTreeWidgetItem* headerItem = list->headerItem();
    for (int column = 0; column < ColumnCount; ++column) {
        const ColumnDesign& design = kColumns[column];
        headerItem->setText(
            column, GetText(section, list->objectName() + QStringLiteral("_Col%1").arg(column),
                            QString::fromLatin1(design.caption)));
        headerItem->setData(column, Qt::TextAlignmentRole, int(design.align | Qt::AlignVCenter));
    }
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    for (int column = 0; column < ColumnCount; ++column)
        header->resizeSection(column, kColumns[column].width);

    list->setRootIsDecorated(false);
    list->setIndentation(0);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(false);
    list->setAlternatingRowColors(false);
    list->setIconSize(QSize(IconSize, IconSize));
    // The rows draw themselves: the view's own selection and row panels stay
    // invisible.
    QPalette palette = list->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Highlight, Qt::transparent);
        palette.setColor(group, QPalette::HighlightedText, Qt::black);
        palette.setColor(group, QPalette::Base, StripeEven);
    }
    list->setPalette(palette);
    if (!qobject_cast<TSurveyDelegate*>(list->itemDelegate()))
        list->setItemDelegate(new TSurveyDelegate(list));

    list->SetSortColumn(InitialSortColumn);
    list->SetIncrease(InitialIncrease);
    list->SetSkipSort1(InitialSkipSort);
    if (FormRes) {
        list->SetIncBMP(FormRes->ImgSortInc);
        list->SetDecBMP(FormRes->ImgSortDec);
    }
}

void CSurveyList::Clear() {
    const QSignalBlocker block(m_List);
    m_List->clear();
}

void CSurveyList::Append(const std::vector<_tag_AP_ROFIILE>& entries) {
    const QSignalBlocker block(m_List);
    for (const _tag_AP_ROFIILE& entry : entries) {
        auto* item = new TSurveyItem(entry, m_Labels);
        // The icons read as text: "Access point, secured", "Signal 80 %".
        const int icon = RowIcon(entry);
        const QString kind = icon & 1 ? m_Station : m_AccessPoint;
        item->setData(ColIcon, Qt::AccessibleTextRole,
                      icon & 2 ? QStringLiteral("%1, %2").arg(kind, m_Secured) : kind);
        item->setData(ColSignal, Qt::AccessibleTextRole,
                      m_Signal.arg(swp::SignalPercent(entry.Signal)));
        m_List->addTopLevelItem(item);
    }
}

void CSurveyList::Sort() {
    const QSignalBlocker block(m_List);
    const QList<QTreeWidgetItem*> selected = m_List->selectedItems();
    QTreeWidgetItem* current = m_List->currentItem();
    QList<QTreeWidgetItem*> rows = m_List->invisibleRootItem()->takeChildren();
    const int column = m_List->SortColunm();
    const int factor = m_List->Increase() ? 1 : -1;
    std::stable_sort(rows.begin(), rows.end(),
                     [column, factor](QTreeWidgetItem* a, QTreeWidgetItem* b) {
                         return TSurveyItem::Compare(*static_cast<TSurveyItem*>(a),
                                                     *static_cast<TSurveyItem*>(b), column) *
                                    factor <
                                0;
                     });
    m_List->addTopLevelItems(rows);
    if (current)
        m_List->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

const _tag_AP_ROFIILE* CSurveyList::Selected() const {
    const QList<QTreeWidgetItem*> selected = m_List->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    return &static_cast<const TSurveyItem*>(selected.first())->Entry();
}

int CSurveyList::RowCount() const {
    return m_List->topLevelItemCount();
}

TSurveyItem* CSurveyList::Row(int index) const {
    return static_cast<TSurveyItem*>(m_List->topLevelItem(index));
}

} // namespace SurveyList
