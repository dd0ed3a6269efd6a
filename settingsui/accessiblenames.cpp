#include "settingsui/accessiblenames.h"

#include "settingsui/uiutil.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTextDocument>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// How far above a control its label may sit, in pixels.
constexpr int kLabelAbove = 32;

QList<QWidget*> OwnedWidgets(QWidget* container) {
    QList<QWidget*> widgets;
    for (QObject* component : OwnedComponents(container))
        if (auto* widget = qobject_cast<QWidget*>(component))
            widgets.append(widget);
    return widgets;
}

// The plain text of a label (labels may hold rich text).
QString LabelText(const QLabel* label) {
    QString text = label->text();
    if (Qt::mightBeRichText(text)) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    text.remove(u'&');
    return text.simplified();
}

bool IsLabelWithText(const QWidget* widget) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label && label->pixmap().isNull() && !LabelText(label).isEmpty();
}

// A control made of several edits (the IP address control), as opposed to a
// page that names and orders its own controls.
bool IsFieldGroup(const QWidget* widget) {
    return OwnsComponents(widget) && !widget->inherits("TFrameBase") &&
           !widget->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly).isEmpty();
}

// A control the user types into, chooses from or reads a value from, whose
// name comes from a label.
bool IsLabelledControl(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QProgressBar*>(widget) || IsFieldGroup(widget);
}

QRect RectIn(const QWidget* widget, const QWidget* container) {
    return QRect(widget->mapTo(container, QPoint(0, 0)), widget->size());
}

QLabel* DescribingLabel(QWidget* control, QWidget* container, const QList<QWidget*>& owned) {
    const QRect place = RectIn(control, container);
    QLabel* left = nullptr;
    QLabel* above = nullptr;
    int leftDistance = INT_MAX;
    int aboveDistance = INT_MAX;
    for (QWidget* widget : owned) {
        if (!IsLabelWithText(widget))
            continue;
        auto* label = static_cast<QLabel*>(widget);
        if (label->buddy() == control)
            return label;
        const QRect rect = RectIn(label, container);
        if (rect.center().y() >= place.top() && rect.center().y() <= place.bottom() &&
            rect.right() <= place.left() + 2 && place.left() - rect.right() < leftDistance) {
            left = label;
            leftDistance = place.left() - rect.right();
        }
        const int gap = place.top() - rect.bottom();
        const bool overlaps = rect.left() < place.right() && rect.right() > place.left();
        if (gap >= -2 && gap <= kLabelAbove && overlaps && gap < aboveDistance) {
            above = label;
            aboveDistance = gap;
        }
    }
    return left ? left : above;
}

QString GroupTitle(const QWidget* control) {
    for (const QWidget* parent = control->parentWidget(); parent; parent = parent->parentWidget())
        if (const auto* box = qobject_cast<const QGroupBox*>(parent))
            return box->title().simplified();
    return QString();
}

void NameFields(QWidget* control, const QString& name) {
    const QList<QLineEdit*> fields =
        control->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i]->accessibleName().isEmpty())
            fields[i]->setAccessibleName(
                QStringLiteral("%1, field %2 of %3").arg(name).arg(i + 1).arg(fields.size()));
}

// Visits the controls that take the focus: those container owns, and the
// fields of its controls made of several edits.
QList<QWidget*> TabStops(QWidget* container) {
    QList<QWidget*> stops;
    for (QWidget* widget : OwnedWidgets(container)) {
        if (IsFieldGroup(widget)) {
            for (QLineEdit* field :
                 widget->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
                stops.append(field);
            continue;
        }
        if (!OwnsComponents(widget) && (widget->focusPolicy() & Qt::TabFocus))
            stops.append(widget);
    }
    return stops;
}

} // namespace

void NameForScreenReaders(QWidget* container) {
    if (!container)
        return;
    const QList<QWidget*> owned = OwnedWidgets(container);
    for (QWidget* widget : owned) {
        if (!widget->accessibleName().isEmpty())
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->text().isEmpty() && !button->toolTip().isEmpty())
                button->setAccessibleName(button->toolTip());
            continue;
        }
        if (qobject_cast<QLabel*>(widget)) {
            // Pictures that act as links (caption drawn in the picture).
            if (!widget->toolTip().isEmpty() && !IsLabelWithText(widget))
                widget->setAccessibleName(widget->toolTip());
            continue;
        }
        if (!IsLabelledControl(widget))
            continue;
        QString name;
        if (QLabel* label = DescribingLabel(widget, container, owned)) {
            name = LabelText(label);
            if (!label->buddy() && !OwnsComponents(widget))
                label->setBuddy(widget);
        } else if (!widget->toolTip().isEmpty()) {
            name = widget->toolTip();
        } else {
            name = GroupTitle(widget);
        }
        name.remove(QRegularExpression(QStringLiteral("[:\\s]+$")));
        if (name.isEmpty())
            continue;
        widget->setAccessibleName(name);
        if (IsFieldGroup(widget))
            NameFields(widget, name);
    }
}

void ArrangeTabOrder(QWidget* container) {
    if (!container)
        return;
    struct Stop {
        QWidget* widget;
        QRect rect;
    };
    QList<Stop> stops;
    for (QWidget* widget : TabStops(container))
        stops.append({widget, RectIn(widget, container)});
    if (stops.size() < 2)
        return;
    // Rows: controls whose middles lie within the first control's height.
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        return a.rect.center().y() < b.rect.center().y();
    });
    QList<Stop> ordered;
    for (qsizetype first = 0; first < stops.size();) {
        const QRect head = stops[first].rect;
        qsizetype end = first + 1;
        while (end < stops.size() && stops[end].rect.center().y() <= head.bottom())
            ++end;
        QList<Stop> row = stops.mid(first, end - first);
        std::stable_sort(row.begin(), row.end(), [](const Stop& a, const Stop& b) {
            return a.rect.left() < b.rect.left();
        });
        ordered.append(row);
        first = end;
    }
    for (qsizetype i = 1; i < ordered.size(); ++i)
        QWidget::setTabOrder(ordered[i - 1].widget, ordered[i].widget);
}
