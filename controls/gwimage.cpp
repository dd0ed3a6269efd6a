#include "controls/gwimage.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPixmap>

TGWImage::TGWImage(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QImage TGWImage::Image(int slot) const {
    return slot >= 0 && slot < SlotCount ? m_Images[size_t(slot)] : QImage();
}

void TGWImage::SetImage(int slot, const QImage& image) {
    if (slot < 0 || slot >= SlotCount)
        return;
    m_Images[size_t(slot)] = image;
    if (m_Source != gsrcImage)
        return;
    if (slot == 0)
        ShowSlot(0);
    else if (slot == m_Slot)
        ShowSlot(slot);
}

void TGWImage::SetImageList(const QList<QImage>& images) {
    m_ImageList = images;
    if (m_Source == gsrcImageList)
        ShowSlot(m_Slot);
}

void TGWImage::SetImageSource(TImageSource source) {
    if (source == m_Source)
        return;
    m_Source = source;
    ShowSlot(m_Slot);
}

void TGWImage::ShowSlot(int slot) {
    QImage image;
    if (m_Source == gsrcImage)
        image = Image(slot);
    else if (slot >= 0 && slot < m_ImageList.size())
        image = m_ImageList[slot];
    if (image.isNull())
        return;
    m_Slot = slot;
    setPixmap(QPixmap::fromImage(image));
}

void TGWImage::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    if (!isEnabled())
        return;
    if (m_MouseOverEffect)
        ShowSlot(1);
    emit MouseEnter();
}

void TGWImage::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    if (!isEnabled())
        return;
    if (m_MouseOverEffect)
        ShowSlot(0);
    emit MouseLeave();
}

void TGWImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    m_Pressed = true;
    if (m_Style == gsPushButton) {
        ShowSlot(1);
    } else if (m_Style == gsTabButton) {
        ShowSlot(1);
        ReleaseTabGroup();
    }
    event->accept();
}

void TGWImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_Pressed) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    m_Pressed = false;
    if (m_Style == gsPushButton)
        ShowSlot(0);
    event->accept();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

// The tab group is every gsTabButton picture with the same tag among the
// widgets of the parent's parent (or of the parent when it is top level).
void TGWImage::ReleaseTabGroup() {
    QWidget* scope = parentWidget();
    if (scope && scope->parentWidget())
        scope = scope->parentWidget();
    if (!scope)
        return;
    const auto pictures = scope->findChildren<TGWImage*>();
    for (TGWImage* other : pictures)
        if (other != this && other->m_Style == gsTabButton && other->m_Tag == m_Tag)
            other->ShowSlot(0);
}

void TGWImage::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    m_Pressed = false;
    if (!isEnabled())
        ShowSlot(3);
    else
        ShowSlot(m_MouseOverEffect && underMouse() ? 1 : 0);
}
