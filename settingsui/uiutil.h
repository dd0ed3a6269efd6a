#pragma once
// Texts and layout from the product settings applied to forms and pages, and
// the small window helpers the pages share.
//
// Ownership: a form (a top-level window) and a page or sub-page (a class whose
// name begins with "TFrame", e.g. TFrameDevList, TFrameIPEditRect) own the
// controls placed on them, also those placed inside a group box, a panel (a
// plain QFrame or a widget with a `caption` property) or a plain QWidget used
// as a container. A page inside a form is owned by the form, its controls by
// the page. The components a container owns are visited in creation order:
// the order of children(), each container before the controls inside it.
// Qt's own internal widgets (names beginning with "qt_") are never visited.

#include <QList>
#include <QObject>
#include <QString>

class CIniFile;
class QComboBox;
class QTreeView;
class QWidget;

// The integers of a position value such as "24,288,85,21": items are split at
// commas and trimmed; an item that is not an integer (decimal, or hexadecimal
// with 0x or $) is skipped; at most maxCount integers are returned.
QList<int> ParseIntList(const QString& value, int maxCount = 16);

// A group box text as shown: a text that is not empty gets a space in front
// and at the end unless it already has one there.
QString GroupBoxCaption(const QString& text);

// True for a form or a page: a component that owns the controls placed on it.
bool OwnsComponents(const QWidget* widget);
// The widgets and actions owner owns, in creation order (see above).
QList<QObject*> OwnedComponents(QWidget* owner);

// Captions of container (its window caption when it is a form) and of the
// components it owns from section: labels, buttons, check boxes, radio
// buttons, panels and actions by name; standard list view columns by
// "<name>_Col<i>"; group box texts with GroupBoxCaption. A sortable list view
// (TSortListView) is left alone. Call between Lock and Unlock of g_Var.Ini.
void ApplyTexts(QWidget* container, const QString& section, CIniFile& reader);

// Positions from "<layoutSection>_CtrlPos" and visibility from
// "<layoutSection>_Visible" for every component control owns; a component that
// owns components itself is first laid out with the section
// "<layoutSection>_<its name>". Call between Lock and Unlock of g_Var.Ini.
void ApplyLayout(QWidget* control, const QString& layoutSection, CIniFile& reader);

// The same under the lock of g_Var.Ini, released also when an exception
// passes. Before g_Var has loaded its settings only the names for screen
// readers and the Tab order are given (see accessiblenames.h).
void ApplyTextsLocked(QWidget* container, const QString& section);
void ApplyLayoutLocked(QWidget* control, const QString& layoutSection);
// Texts, then layout, of a whole form under one lock.
void ApplyFormSettings(QWidget* form, const QString& section);

// Selects the first item whose integer data (Qt::UserRole) equals value;
// false, selection unchanged, when none does.
bool SelectComboValue(QComboBox* list, int value);

// Keeps the event loop running (timers, sockets, posted messages, painting)
// until ms milliseconds of the timing seam have passed. Always true.
bool WaitWithMessages(unsigned ms);

// Gives edit the focus when its window is shown and the edit can take it.
void FocusEdit(QWidget* edit);

// Height in pixels of the list's column header as placed; 0 when hidden.
int ListHeaderHeight(const QTreeView* list);
