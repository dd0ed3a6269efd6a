#pragma once
// The survey list as the site survey page and the WPS survey dialog show it:
// seven columns, the labels of the encryption and authentication codes, the
// row and signal icons, the compare rule of the header sort, the owner-drawn
// rows (stripes, selection frame, blue text for highlighted entries) and the
// survey request that fills both lists.

#include "settings/records.h"
#include "settings/winmessage.h"

#include <QColor>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeWidgetItem>
#include <vector>

class TSortListView;

namespace SurveyList {

enum Column { ColIcon, ColSSID, ColChannel, ColSignal, ColEncryption, ColAuthentication, ColBSSID };
constexpr int ColumnCount = 7;

// The authentication labels: the site survey page knows codes 0 to 7, the WPS
// survey dialog only 0 to 4.
enum class AuthLabels { Full, WpsOnly };

// Initial sort state of both survey lists: by signal, strongest first; the
// icon column never sorts.
constexpr int InitialSortColumn = ColSignal;
constexpr bool InitialIncrease = false;
constexpr int InitialSkipSort = ColIcon;

// Drawing.
inline const QColor StripeEven{0xFF, 0xFF, 0xFF};
inline const QColor StripeOdd{0xFF, 0xFF, 0xE1};
inline const QColor SelectionPen{0x98, 0xB5, 0xE2};
inline const QColor SelectionFill{0xE5, 0xEC, 0xF8};
inline const QColor HighlightedText{0x00, 0x00, 0xFF};
inline const QColor GridLine{0xF0, 0xF0, 0xF0};
constexpr int TextInset = 5;
constexpr int IconSize = 16;

QString EncryptionText(uint8_t code);
QString AuthenticationText(uint8_t code, AuthLabels labels);
// 0 access point, 1 station adapter, +2 with a padlock.
int RowIcon(const _tag_AP_ROFIILE& entry);
// The signal as the device sent it, shown held to 0..100: icon 4 (one red
// bar) to 8 (full blue), 4 + min(signal / 20, 4), and "%d%%".
int SignalIcon(int signal);
QString SignalText(int signal);
QString SSIDText(const _tag_AP_ROFIILE& entry);
QString BSSIDText(const _tag_AP_ROFIILE& entry);

// Case-insensitive comparison of ASCII letters; other characters by code.
int CompareTextNoCase(const QString& a, const QString& b);

// The survey request of both survey lists. SendSurveyRequest asks the engine
// for a site survey, or, while it is logged out (for example after the device
// dropped the login), for a login first; the login's positive reply then asks
// the page to start the survey again. The survey's reply and any time-out
// end it: the page fills its list from the engine.
enum class SurveySent { NoEngine, Login, Survey };
SurveySent SendSurveyRequest();
enum class SurveyStep { None, Fill, Start };
SurveyStep SurveyStepOf(const CUdpMessage& message);

// One row: the cell texts and icons of an entry, and its own copy of it.
class TSurveyItem : public QTreeWidgetItem {
public:
    static constexpr int IconRole = Qt::UserRole + 1; // index into FormRes->ImgsType

    TSurveyItem(const _tag_AP_ROFIILE& entry, AuthLabels labels);

    const _tag_AP_ROFIILE& Entry() const { return m_Entry; }
    // -1, 0 or +1 by the key of sortColumn, before the direction factor.
    static int Compare(const TSurveyItem& a, const TSurveyItem& b, int sortColumn);

private:
    _tag_AP_ROFIILE m_Entry;
};

// Draws the rows. As a delegate it draws each cell's icon and text; as an
// event filter on the list's viewport it first paints what lies under the
// cells: the stripes over the whole area, the grid and the selection frames.
class TSurveyDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TSurveyDelegate(TSortListView* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int RowHeight() const;
    // The stripes, grid and selection frames of the viewport.
    void PaintBackground(QPainter& painter) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSortListView* m_List;
    QWidget* m_Viewport; // the list's, for the paint events
};

// The presentation of one survey list control.
class CSurveyList {
public:
    CSurveyList(TSortListView* list, AuthLabels labels);

    // Columns (captions from "<list name>_Col<i>" of section), sort state,
    // arrows, icons and the row drawing.
    void Setup(const QString& section);
    // Removes every row (and its entry copy) without a selection event.
    void Clear();
    // Appends one row per entry, in order.
    void Append(const std::vector<_tag_AP_ROFIILE>& entries);
    // Sorts all rows by the list's sort state; the selection stays on its row.
    void Sort();
    // The entry of the selected row, or null.
    const _tag_AP_ROFIILE* Selected() const;
    int RowCount() const;
    TSurveyItem* Row(int index) const;

private:
    TSortListView* m_List;
    AuthLabels m_Labels;
    // What the row and signal icons show, for screen readers (Setup reads
    // them from the section, keys "<list name>_AccessPoint", "_Station",
    // "_Secured" and "_Signal", where %1 stands for the percentage).
    QString m_AccessPoint = QStringLiteral("Access point");
    QString m_Station = QStringLiteral("Station");
    QString m_Secured = QStringLiteral("secured");
    QString m_Signal = QStringLiteral("Signal %1 %");
};

} // namespace SurveyList
