#pragma once
// Drags a borderless window by one of its controls (its background picture):
// press the left button on it and move.

#include <QObject>
#include <QPoint>

class QWidget;

class CWindowDrag : public QObject {
public:
    // handle: the control that starts the drag; the drag moves handle's window.
    explicit CWindowDrag(QWidget* handle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_Handle;
    QPoint m_Offset;
    bool m_Dragging = false;
};

// Centres a top-level window on the screen it is on.
void CenterOnScreen(QWidget* window);
// Centres a dialog over the window that holds page; over the application's
// main window when there is no page or the page is in the dialog itself.
void CenterOverPage(QWidget* dialog, QWidget* page);
