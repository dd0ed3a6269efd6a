#pragma once
// Test helper: what a screen reader says of a control when it takes the
// focus, as Qt hands it to the accessibility bus: the labels it is labelled
// by (a drop-down list's name is its value, its label comes this way; a
// choice is labelled by its group too), its name and its description.

#include <QAccessible>
#include <QString>
#include <QWidget>

inline QString ScreenReaderSays(QWidget* control) {
    QAccessibleInterface* read = control ? QAccessible::queryAccessibleInterface(control) : nullptr;
    if (!read)
        return QString();
    QString said;
    for (const auto& [label, relation] : read->relations(QAccessible::Label))
        if (label->text(QAccessible::Name) != read->text(QAccessible::Name))
            said += label->text(QAccessible::Name) + u' ';
    return (said + read->text(QAccessible::Name) + u' ' + read->text(QAccessible::Description))
        .simplified();
}
