#include "framework/windowdrag.h"

#include "settings/winmessage.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

CWindowDrag::CWindowDrag(QWidget* handle) : QObject(handle), m_Handle(handle) {
    handle->installEventFilter(this);
}

bool CWindowDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_Handle)
        return false;
    QWidget* window = m_Handle->window();
    // Only mouse events are taken for QMouseEvent (the filter sees every event).
    const auto mouseEvent = [event] { return static_cast<QMouseEvent*>(event); };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const QMouseEvent* mouse = mouseEvent();
        if (mouse->button() != Qt::LeftButton)
            return false;
        // The window manager moves the window where it can; otherwise follow
        // the pointer ourselves.
        if (window->windowHandle() && window->windowHandle()->startSystemMove())
            return true;
        m_Dragging = true;
        m_Offset = mouse->globalPosition().toPoint() - window->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        const QMouseEvent* mouse = mouseEvent();
        if (!m_Dragging || !(mouse->buttons() & Qt::LeftButton))
            return false;
        window->move(mouse->globalPosition().toPoint() - m_Offset);
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_Dragging = false;
        return false;
    default:
        return false;
    }
}

void CenterOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.left() + (area.width() - window->width()) / 2,
                 area.top() + (area.height() - window->height()) / 2);
}

void CenterOverPage(QWidget* dialog, QWidget* page) {
    QWidget* form = page ? page->window() : nullptr;
    if (!form || form == dialog)
        form = qobject_cast<QWidget*>(ApplicationMainWindow());
    if (!form)
        return;
    const QRect outer = form->frameGeometry();
    dialog->move(outer.left() + (outer.width() - dialog->width()) / 2,
                 outer.top() + (outer.height() - dialog->height()) / 2);
}
