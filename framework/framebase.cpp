#include "framework/framebase.h"

#include "controls/trifacebtn.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/utility.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

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

namespace {

// Push buttons act at once (Exit, Back, Save, Refresh): the keyboard starts on
// one only when it is the page's forward button.
bool IsPushButton(const QWidget* widget) {
    return qobject_cast<const QPushButton*>(widget) != nullptr;
}

bool TakesFocus(const QWidget* widget, const QWidget* form) {
    return widget->isVisibleTo(form) && widget->isEnabled() &&
           (widget->focusPolicy() & Qt::TabFocus);
}

// Of a group of choices the keyboard enters on the one chosen, as Tab does.
QWidget* ChosenOfGroup(QWidget* widget, const QWidget* form) {
    auto* radio = qobject_cast<QRadioButton*>(widget);
    if (!radio || radio->isChecked() || !radio->autoExclusive() || !radio->parentWidget())
        return widget;
    for (QRadioButton* other :
         radio->parentWidget()->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly))
        if (other->isChecked() && other->autoExclusive() && TakesFocus(other, form))
            return other;
    return widget;
}

} // namespace

QPushButton* TFrameBase::ForwardButton() const {
    const QWidget* const form = window();
    QPushButton* forward = nullptr;
    // A host of sub-pages has no forward button of its own: the one of the
    // sub-page it shows moves on.
    QList<const TFrameBase*> pages{this};
    for (const TFrameBase* page : findChildren<TFrameBase*>())
        pages.append(page);
    for (const TFrameBase* page : pages) {
        if (!page->isVisibleTo(form))
            continue;
        for (const QString& name : page->m_ForwardNames) {
            auto* button = page->findChild<QPushButton*>(name);
            if (button && button->isVisibleTo(form)) {
                forward = button;
                break;
            }
        }
    }
    return forward;
}

QWidget* TFrameBase::FirstControl() const {
    const QWidget* const form = window();
    for (QWidget* next = nextInFocusChain(); next != this; next = next->nextInFocusChain()) {
        if (isAncestorOf(next) && !IsPushButton(next) && TakesFocus(next, form))
            return ChosenOfGroup(next, form);
    }
    QPushButton* forward = ForwardButton();
    return forward && TakesFocus(forward, form) ? forward : nullptr;
}

void TFrameBase::TakeKeyboard(QWidget* hidden) {
    ReadExplanations();
    // In a dialog every push button is auto-default: the one last focused
    // stays the dialog's default, so the defaults are set anew.
    QPushButton* const forward = ForwardButton();
    for (QWidget* page : {hidden, static_cast<QWidget*>(this)})
        if (page)
            for (QPushButton* button : page->findChildren<QPushButton*>())
                if (button != forward)
                    button->setDefault(false);
    if (forward)
        forward->setDefault(true);
    QWidget* const form = window();
    QWidget* const focus = form->focusWidget();
    if (focus && isAncestorOf(focus) && TakesFocus(focus, form) &&
        (!IsPushButton(focus) || focus == forward))
        return; // the page placed it itself
    // Hiding a page moves the focus on only when some other widget can take
    // it; during a switch none can, so it stays on the hidden page.
    if (QWidget* first = FirstControl())
        first->setFocus(Qt::TabFocusReason);
    else if (focus)
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

void TFrameBase::Explain(QWidget* control, QWidget* source) {
    if (control && source)
        m_Explanations.append(qMakePair(control, source));
}

void TFrameBase::NamePicture(QWidget* picture, const char* name, const char* description) {
    if (!picture)
        return;
    const QString section = QString::fromLatin1(metaObject()->className());
    const QString key = picture->objectName();
    picture->setAccessibleName(
        GetText(section, key + QLatin1String("_Name"), QString::fromUtf8(name)));
    picture->setAccessibleDescription(
        GetText(section, key + QLatin1String("_Description"), QString::fromUtf8(description)));
}

void TFrameBase::ReadExplanations() {
    QHash<QWidget*, QStringList> texts;
    for (const auto& [control, source] : m_Explanations) {
        QStringList& parts = texts[control];
        if (source->isHidden())
            continue;
        // A label shows its text; a picture (a label without one) is read by
        // its name and description.
        const auto* label = qobject_cast<const QLabel*>(source);
        if (label && !label->text().isEmpty()) {
            parts << label->text().simplified();
            continue;
        }
        parts << source->accessibleName().simplified()
              << source->accessibleDescription().simplified();
    }
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        it.value().removeAll(QString());
        it.key()->setAccessibleDescription(it.value().join(u' '));
    }
}

void TFrameBase::LoadTexts(const QString& section) {
    ApplyTextsLocked(this,
                     section.isEmpty() ? QString::fromLatin1(metaObject()->className()) : section);
}
