#pragma once
// The base of every wizard page and of the profile host's sub-pages. The
// window that hosts a page drives it through the six page operations; pages
// ask for Next, Back or Exit by posting the page-switch message.

#include "settings/winmessage.h"

#include <QFrame>

class QPushButton;
#include <QStringList>

// The way a page switch goes: Next or Back.
enum class Direction { Forward, Backward };

class TFrameBase : public QFrame {
    Q_OBJECT
public:
    explicit TFrameBase(QWidget* parent = nullptr);

    // Once, right after the host created its pages: the page's texts.
    virtual void FrameInit();
    // Once, while the host is destroyed.
    virtual void FrameDone();
    // param is always 0.
    virtual bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param);
    virtual void FrameShow(TFrameBase* previous, Direction direction, intptr_t param);
    virtual bool FrameLeave(TFrameBase* target, Direction direction, intptr_t param);
    virtual void FrameHide(TFrameBase* target, Direction direction, intptr_t param);

    // Protocol results, time-outs and events while this page is on screen.
    // Returns true when the page handled the message.
    virtual bool WndProc(const CUdpMessage& message);

    TFrameBase* PrevFrame = nullptr;

    // Called by the host's switch once this page is on screen and hidden was
    // hidden: the keyboard (focus and the window's default button) moves to
    // this page. A focus left on a hidden page's button would take Return or
    // Space and run that page's handler over the page on screen. The focus
    // goes to the first control the user acts on (FirstControl) unless the
    // page placed it itself; the page's forward button (Next, Configure,
    // Login, ...) becomes the default: Return presses it unless the focus is
    // on another push button, which Return then presses.
    void TakeKeyboard(QWidget* hidden);
    // The forward button shown (on a host of sub-pages, the one of the
    // sub-page shown), or null when the page shows none.
    QPushButton* ForwardButton() const;
    // The first control in Tab order that is not a push button (of a group of
    // choices, the one chosen), else the forward button when it can be
    // pressed: never Exit, Back or a page's side action such as Save.
    QWidget* FirstControl() const;

    // The page's own buttons: by default Next, Back and Exit post the switch.
    virtual void BtnNextClick() { PostNext(); }
    virtual void BtnBackClick() { PostBack(); }
    virtual void BtnExitClick() { PostExit(); }

protected:
    // Connects the buttons named BtnNext (or nextName), BtnBack and BtnExit to
    // their click handlers; nextName is the page's forward button.
    void WireButtons(const QString& nextName = QStringLiteral("BtnNext"));
    // The buttons that move forward, in order: the first one shown takes
    // Return. Exit is never one of them: Return alone never asks the exit
    // question.
    void SetForwardButtons(const QStringList& names) { m_ForwardNames = names; }
    // The common look: background picture and the three faces of every image
    // button on the page.
    void SetCommonLook();
    // Applies the texts of section (the page's class name when empty).
    void LoadTexts(const QString& section = QString());

    // For screen readers. The text of source (a label's text, or a picture's
    // name and description) describes control: it becomes control's
    // accessible description each time the page is shown, so that a text the
    // page changes is read as shown. Several sources are read in turn.
    void Explain(QWidget* control, QWidget* source);
    // A picture that carries meaning gets its text equivalent from the
    // page's section: keys "<picture>_Name" and "<picture>_Description", with
    // the English texts given as defaults.
    void NamePicture(QWidget* picture, const char* name, const char* description);

    static void PostNext() { PostToMainWindow(UM_PAGE_SWITCH, PAGE_NEXT, 0); }
    static void PostBack() { PostToMainWindow(UM_PAGE_SWITCH, PAGE_BACK, 0); }
    static void PostExit() { PostToMainWindow(UM_PAGE_SWITCH, PAGE_EXIT, 0); }

    // A request sequence of the page failed: the user is told "ER_CONNECT";
    // in test mode (NonWorking) the wizard goes on all the same. True when it
    // went on.
    static bool ReportConnectFailure();

private:
    void ReadExplanations();

    QStringList m_ForwardNames;                      // empty on a host of sub-pages
    QList<QPair<QWidget*, QWidget*>> m_Explanations; // control, source
};
