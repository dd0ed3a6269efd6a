#pragma once
// The troubleshooting dialog of the device list: when a search finds no
// device it searches once more while it looks at the computer, then shows
// each finding in plain words with its fix. The text, commands included, can
// be selected or copied whole with Copy; "Search again" closes the dialog and
// asks the device list for a new search. When something could not be checked
// without administrator rights, "Check as administrator" runs `swpctl doctor`
// through pkexec (polkit asks for the administrator password) and shows its
// report: that check is the only part of the wizard that runs as root.

#include <QDialog>
#include <memory>

namespace Ui {
class FormTroubleshoot;
}
namespace diag {
class CDiagnosis;
struct Report;
} // namespace diag
class TFormUDP;

class TFormTroubleshoot : public QDialog {
    Q_OBJECT
public:
    explicit TFormTroubleshoot(QWidget* parent = nullptr);
    ~TFormTroubleshoot() override;

    // Shows the dialog (modal, without blocking the caller) and starts the
    // diagnosis through engine with the discovery wait given.
    void Run(TFormUDP* engine, int discoverWait);
    bool Checking() const;
    // The last diagnosis; null before the first has ended.
    const diag::Report* Result() const;

    // The client the check as administrator runs: by default the one beside
    // the wizard, else the system's (/usr/bin/swpctl, which the package's
    // polkit action names). Empty restores the default.
    static void SetAdminClient(const QString& swpctl);
    // How long the check as administrator may take, password prompt included.
    static constexpr int AdminLimitMs = 300000;

signals:
    void SearchAgain();

private:
    std::unique_ptr<Ui::FormTroubleshoot> ui;

    void DiagnosisFinished();
    void BtnCopyClick();
    void BtnSearchClick();
    void BtnAdminClick();
    QString Text(const char* key, const char* english) const;

    std::unique_ptr<diag::CDiagnosis> m_Diagnosis;
    TFormUDP* m_Engine = nullptr;
    bool m_HasResult = false;
    QString m_AdminReport; // the report of the check as administrator, once run
};
