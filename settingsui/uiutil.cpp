#include "settingsui/uiutil.h"

#include "settingsui/accessiblenames.h"

#include "settings/globalvar.h"
#include "settings/inifile.h"
#include "settings/timing.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <limits>
#include <optional>

namespace {

// Positions and sizes are kept within what every window system can place.
constexpr int MinCoordinate = -32768;
constexpr int MaxCoordinate = 32767;
constexpr int MaxExtent = 32767;

bool IsPage(const QWidget* widget) {
    return widget->inherits("TFrameBase") ||
           QLatin1String(widget->metaObject()->className()).startsWith(QLatin1String("TFrame"));
}

bool IsForm(const QWidget* widget) {
    return widget->isWindow() && !IsPage(widget);
}

// A panel shows a caption of its own: a plain QFrame (its caption kept in the
// dynamic property "caption") or any widget class declaring a `caption`
// property.
bool IsPanel(const QWidget* widget) {
    return widget->metaObject() == &QFrame::staticMetaObject ||
           widget->metaObject()->indexOfProperty("caption") >= 0;
}

// Pictures take no caption: an image class, or a label that shows a pixmap.
bool IsImage(const QWidget* widget) {
    if (widget->inherits("TGWImage") || widget->inherits("TImage"))
        return true;
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label && !label->pixmap().isNull();
}

// Containers whose controls belong to the page or form they sit on.
bool IsPlainContainer(const QWidget* widget) {
    return qobject_cast<const QGroupBox*>(widget) || IsPanel(widget) ||
           widget->metaObject() == &QWidget::staticMetaObject;
}

bool IsSortListView(const QWidget* widget) {
    return widget->inherits("TSortListView") ||
           qstrcmp(widget->metaObject()->className(), "TSortListView") == 0;
}

void Collect(const QObject* parent, QList<QObject*>& out) {
    for (QObject* child : parent->children()) {
        if (child->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (auto* action = qobject_cast<QAction*>(child)) {
            out.append(action);
            continue;
        }
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue; // layouts, timers; dialogs are forms of their own
        out.append(widget);
        if (!IsPage(widget) && IsPlainContainer(widget))
            Collect(widget, out);
    }
}

QString Caption(const QString& section, const QString& key, const QString& current,
                CIniFile& reader) {
    return reader.ReadString(section, key, current);
}

void ApplyCaption(QWidget* widget, const QString& section, CIniFile& reader) {
    const QString name = widget->objectName();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(Caption(section, name, label->text(), reader));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(Caption(section, name, button->text(), reader));
    } else if (IsPanel(widget)) {
        widget->setProperty("caption",
                            Caption(section, name, widget->property("caption").toString(), reader));
    } else if (auto* list = qobject_cast<QTreeWidget*>(widget); list && !IsSortListView(list)) {
        QTreeWidgetItem* header = list->headerItem();
        for (int i = 0; header && i < list->columnCount(); ++i) {
            const QString key = QStringLiteral("%1_Col%2").arg(name).arg(i);
            header->setText(i, Caption(section, key, header->text(i), reader));
        }
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(GroupBoxCaption(Caption(section, name, box->title(), reader)));
    }
}

std::optional<int> ParseInt(QStringView item) {
    item = item.trimmed();
    bool negative = false;
    if (item.startsWith(u'-') || item.startsWith(u'+')) {
        negative = item.front() == u'-';
        item = item.mid(1);
    }
    int base = 10;
    if (item.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        item = item.mid(2);
    } else if (item.startsWith(u'$')) {
        base = 16;
        item = item.mid(1);
    }
    if (item.isEmpty() || item.startsWith(u'-') || item.startsWith(u'+'))
        return std::nullopt;
    bool ok = false;
    const qlonglong magnitude = item.toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    const qlonglong value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

void ApplyPosition(QWidget* widget, const QList<int>& numbers) {
    if (numbers.isEmpty())
        return;
    QRect rect = widget->geometry();
    int left = rect.left();
    int top = rect.top();
    int width = rect.width();
    int height = rect.height();
    left = std::clamp(numbers[0], MinCoordinate, MaxCoordinate);
    if (numbers.size() > 1)
        top = std::clamp(numbers[1], MinCoordinate, MaxCoordinate);
    if (numbers.size() > 2)
        width = std::clamp(numbers[2], 0, MaxExtent);
    if (numbers.size() > 3)
        height = std::clamp(numbers[3], 0, MaxExtent);
    widget->setGeometry(left, top, width, height);
}

// Names for screen readers and the Tab order follow the texts; without
// settings they follow the design's texts.
void NameAndOrder(QWidget* container) {
    NameForScreenReaders(container);
    ArrangeTabOrder(container);
}

} // namespace

QList<int> ParseIntList(const QString& value, int maxCount) {
    QList<int> numbers;
    for (QStringView item : QStringView(value).split(u',')) {
        if (numbers.size() >= maxCount)
            break;
        if (const std::optional<int> number = ParseInt(item))
            numbers.append(*number);
    }
    return numbers;
}

QString GroupBoxCaption(const QString& text) {
    if (text.isEmpty())
        return text;
    QString caption = text;
    if (!caption.startsWith(u' '))
        caption.prepend(u' ');
    if (!caption.endsWith(u' '))
        caption.append(u' ');
    return caption;
}

bool OwnsComponents(const QWidget* widget) {
    return widget && (IsPage(widget) || IsForm(widget));
}

QList<QObject*> OwnedComponents(QWidget* owner) {
    QList<QObject*> components;
    if (owner)
        Collect(owner, components);
    return components;
}

void ApplyTexts(QWidget* container, const QString& section, CIniFile& reader) {
    if (!container)
        return;
    if (IsForm(container))
        container->setWindowTitle(
            Caption(section, container->objectName(), container->windowTitle(), reader));
    for (QObject* component : OwnedComponents(container)) {
        if (auto* action = qobject_cast<QAction*>(component)) {
            action->setText(Caption(section, action->objectName(), action->text(), reader));
            continue;
        }
        auto* widget = static_cast<QWidget*>(component);
        if (IsPage(widget) || IsImage(widget))
            continue;
        ApplyCaption(widget, section, reader);
    }
    NameAndOrder(container);
}

void ApplyLayout(QWidget* control, const QString& layoutSection, CIniFile& reader) {
    if (!control)
        return;
    const QString positions = layoutSection + QLatin1String("_CtrlPos");
    const QString visibility = layoutSection + QLatin1String("_Visible");
    for (QObject* component : OwnedComponents(control)) {
        const QString name = component->objectName();
        if (auto* action = qobject_cast<QAction*>(component)) {
            action->setVisible(reader.ReadBool(visibility, name, action->isVisible()));
            continue;
        }
        auto* widget = static_cast<QWidget*>(component);
        if (OwnsComponents(widget))
            ApplyLayout(widget, layoutSection + u'_' + name, reader);
        const QString value = reader.ReadString(positions, name, QString()).trimmed();
        if (!value.isEmpty())
            ApplyPosition(widget, ParseIntList(value));
        const bool current = !widget->isHidden();
        const bool visible = reader.ReadBool(visibility, name, current);
        if (visible != current)
            widget->setVisible(visible);
    }
}

void ApplyTextsLocked(QWidget* container, const QString& section) {
    if (!g_Var.Ini)
        return NameAndOrder(container);
    CIniLock lock(*g_Var.Ini);
    if (lock.operator->())
        ApplyTexts(container, section, lock.Reader());
}

void ApplyLayoutLocked(QWidget* control, const QString& layoutSection) {
    if (!g_Var.Ini)
        return;
    CIniLock lock(*g_Var.Ini);
    if (lock.operator->())
        ApplyLayout(control, layoutSection, lock.Reader());
}

void ApplyFormSettings(QWidget* form, const QString& section) {
    if (!g_Var.Ini)
        return NameAndOrder(form);
    CIniLock lock(*g_Var.Ini);
    if (!lock.operator->())
        return;
    ApplyTexts(form, section, lock.Reader());
    ApplyLayout(form, section, lock.Reader());
    ArrangeTabOrder(form); // in the order of the places the settings gave
}

bool SelectComboValue(QComboBox* list, int value) {
    if (!list)
        return false;
    for (int i = 0; i < list->count(); ++i) {
        bool ok = false;
        const int itemValue = list->itemData(i).toInt(&ok);
        if (ok && itemValue == value) {
            list->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool WaitWithMessages(unsigned ms) {
    const uint32_t start = Timing::TickCount();
    for (;;) {
        // Unsigned difference: correct across the wrap of the tick count.
        const uint32_t elapsed = Timing::TickCount() - start;
        if (elapsed >= ms)
            return true;
        const unsigned remaining = ms - elapsed;
        const int interval =
            Timing::Interval(static_cast<int>(std::min<unsigned>(remaining, INT_MAX)));
        if (!QCoreApplication::instance()) {
            QThread::msleep(static_cast<unsigned long>(interval));
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (Timing::TickCount() - start >= ms)
            return true;
        // Nothing left to dispatch: sleep until new input or the end of the wait.
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(interval);
        QEventLoop loop;
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void FocusEdit(QWidget* edit) {
    if (!edit)
        return;
    try {
        const QWidget* form = edit->window();
        if (!form || !form->isVisible())
            return;
        if (!edit->isVisible() || !edit->isEnabled() || edit->focusPolicy() == Qt::NoFocus)
            return;
        edit->setFocus(Qt::OtherFocusReason);
    } catch (...) {
        // A focus change that fails leaves the focus where it was.
    }
}

int ListHeaderHeight(const QTreeView* list) {
    if (!list)
        return 0;
    const QHeaderView* header = list->header();
    if (!header || header->isHidden())
        return 0;
    return header->geometry().height();
}
