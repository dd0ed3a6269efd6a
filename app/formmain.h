#pragma once
// The wizard window: a borderless 600 x 450 window that shows one page at a
// time and decides which page follows which.

#include "framework/framebase.h"
#include "settings/winmessage.h"

#include <QDialog>
#include <QList>
#include <memory>

namespace Ui {
class FormMain;
}

class TFormMain : public QDialog {
    Q_OBJECT
public:
    // Modal results of the wizard.
    static constexpr int ResultExit = 1;   // the user confirmed Exit
    static constexpr int ResultCancel = 2; // Back on the first pages, or closed

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The switch: leave the current page, enter target, show it.
    bool ShowFrame(TFrameBase* target, Direction direction, intptr_t param);
    void GoNext(intptr_t param);
    void GoBack(intptr_t param);
    void OnPageSwitch(intptr_t code, intptr_t param);
    void setVisible(bool visible) override;
    // A message relayed by the application's main window: page switches are
    // handled here, protocol messages go to the page on screen only.
    void HandleMessage(const CWinMessage& message);
    // The engine's results, time-outs and events go to the page on screen.
    void HandleMessage(const CUdpMessage& message);

    // The target of Next from the current page (null: stay). Runs the copy
    // step where the rules ask for it.
    TFrameBase* NextTarget();
    struct BackStep {
        enum Kind { Nothing, Show, EndWizard } kind = Nothing;
        TFrameBase* target = nullptr;
        Direction direction = Direction::Backward;
    };
    BackStep BackTarget();

    // The pages, in creation order.
    QList<TFrameBase*> Frames() const;

    TFrameBase* CurrentFrame = nullptr;
    // A client chose "Manual" on its site survey: the wireless steps that
    // follow its IP steps begin with the profile host, once. Set when the
    // survey's Manual leads to the setup method page; cleared when the setup
    // method page is entered forward from any other page and when the host
    // is entered.
    bool ManualRoute() const { return m_ManualRoute; }
    void SetManualRoute(bool manualRoute) { m_ManualRoute = manualRoute; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::FormMain> ui;

    void CopyStep();
    void NoteRoute(TFrameBase* previous, TFrameBase* target, Direction direction);
    TFrameBase* WirelessStart() const;
    void AskExit();
    bool m_Placed = false; // centred on the desktop when first shown
    bool m_ManualRoute = false;
};

extern TFormMain* FormMain;
