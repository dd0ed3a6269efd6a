#include "framework/framebase.h"

#include "controls/trifacebtn.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/utility.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

TFrameBase::TFrameBase(QWidget* parent) : QFrame(parent) {}

void TFrameBase::FrameInit() {
    LoadTexts();
}

void TFrameBase::FrameDone() {}

bool TFrameBase::ReportConnectFailure() {
    ShowMessage(GetText(QStringLiteral("Message"), QStringLiteral("ER_CONNECT"),
                        QStringLiteral("Unable to connect to the device.")));
    if (!g_Var.NonWorking)
        return false;
    PostNext();
    return true;
}

bool TFrameBase::FrameEnter(TFrameBase* current, Direction direction, intptr_t) {
    if (direction == Direction::Forward)
        PrevFrame = current;
    return true;
}

void TFrameBase::FrameShow(TFrameBase*, Direction, intptr_t) {}

bool TFrameBase::FrameLeave(TFrameBase*, Direction direction, intptr_t) {
    if (direction == Direction::Backward)
        PrevFrame = nullptr;
    return true;
}

void TFrameBase::FrameHide(TFrameBase*, Direction, intptr_t) {}

void TFrameBase::TakeKeyboard(QWidget* hidden) {
    // In a dialog every push button is auto-default: the one last focused
    // stays the dialog's default.
    if (hidden)
        for (QPushButton* button : hidden->findChildren<QPushButton*>())
            button->setDefault(false);
    QWidget* const form = window();
    // A host of sub-pages has no forward button of its own: the one of the
    // sub-page it shows takes Return.
    QList<TFrameBase*> pages = findChildren<TFrameBase*>();
    pages.prepend(this);
    for (TFrameBase* page : pages) {
        if (!page->isVisibleTo(form))
            continue;
        for (const QString& name : page->m_ForwardNames) {
            auto* forward = page->findChild<QPushButton*>(name);
            if (forward && forward->isVisibleTo(form)) {
                forward->setDefault(true);
                break;
            }
        }
    }
    QWidget* const focus = form->focusWidget();
    if (focus && isAncestorOf(focus) && focus->isVisibleTo(form))
        return; // the page placed it itself
    // Hiding a page moves the focus on only when some other widget can take
    // it; during a switch none can, so it stays on the hidden page.
    for (QWidget* next = nextInFocusChain(); next != this; next = next->nextInFocusChain()) {
        if (isAncestorOf(next) && next->isVisibleTo(form) && next->isEnabled() &&
            (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    if (focus)
        focus->clearFocus();
}

bool TFrameBase::WndProc(const CUdpMessage&) {
    return false;
}

void TFrameBase::WireButtons(const QString& nextName) {
    m_ForwardNames = {nextName};
    auto wire = [this](const QString& name, void (TFrameBase::*handler)()) {
        if (auto* button = findChild<QAbstractButton*>(name))
            connect(button, &QAbstractButton::clicked, this,
                    [this, handler] { (this->*handler)(); });
    };
    wire(nextName, &TFrameBase::BtnNextClick);
    wire(QStringLiteral("BtnBack"), &TFrameBase::BtnBackClick);
    wire(QStringLiteral("BtnExit"), &TFrameBase::BtnExitClick);
}

void TFrameBase::SetCommonLook() {
    // The page's content sits in a white group box.
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        if (!box->objectName().startsWith(QLatin1String("GBox")) &&
            !box->objectName().startsWith(QLatin1String("GroupBox")))
            continue;
        QPalette white = box->palette();
        white.setColor(QPalette::Window, Qt::white);
        box->setPalette(white);
        box->setAutoFillBackground(true);
    }
    if (!FormRes)
        return;
    if (auto* background = findChild<QLabel*>(QStringLiteral("ImgBG"), Qt::FindDirectChildrenOnly))
        background->setPixmap(QPixmap::fromImage(FormRes->ImgFrameBG));
    for (TTrifaceBtn* button : findChildren<TTrifaceBtn*>()) {
        button->SetFace(FormRes->ImgBtnN);
        button->SetFaceOver(FormRes->ImgBtnH);
        button->SetFaceDown(FormRes->ImgBtnD);
        button->SetAutoShape(true);
    }
}

void TFrameBase::LoadTexts(const QString& section) {
    ApplyTextsLocked(this,
                     section.isEmpty() ? QString::fromLatin1(metaObject()->className()) : section);
}
