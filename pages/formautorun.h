#pragma once
// The launcher: the application's main window. It opens the setup wizard
// modally, the user guide (offering the reader installer when no program opens
// it), the quick installation guide folder and product registration, and it
// relays page-switch and protocol messages to the wizard window.

#include "settings/waittimer.h"

#include <QWidget>
#include <memory>

namespace Ui {
class FormAutorun;
}
class QDialog;

class TFormAutorun : public QWidget {
    Q_OBJECT
public:
    static constexpr int SubMenuShift = 48;

    explicit TFormAutorun(QWidget* parent = nullptr);
    ~TFormAutorun() override;

    // The wizard window that Setup Wizard shows and that receives the relayed
    // messages.
    void SetWizard(QDialog* wizard) { m_Wizard = wizard; }

    void BtnSetupWizardClick();
    void BtnUGClick();
    void BtnUG_UGClick();
    void BtnUG_QIGClick();
    void BtnProductRegClick();
    void BtnExitClick();
    void TimerInstAcrobatTimer();

    bool SubMenuOpen() const { return m_SubMenuOpen; }
    int MissCounter() const { return m_Misses; }

    CWaitTimer TimerInstAcrobat;

protected:
    bool event(QEvent* event) override;

private:
    std::unique_ptr<Ui::FormAutorun> ui;

    // The installer is there: its window, found by title where windows can be
    // searched, else the process the launcher started for it.
    bool InstallerPresent() const;

    QDialog* m_Wizard = nullptr;
    qint64 m_Installer = 0; // process id of the installer started last
    // The shell keeps events flowing while an opener runs: a second click on an
    // entry must not start another one meanwhile.
    bool m_Opening = false;
    bool m_SubMenuOpen = false;
    int m_Misses = 0;
};

extern TFormAutorun* FormAutorun;
