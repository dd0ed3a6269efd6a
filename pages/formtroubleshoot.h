#pragma once
// The troubleshooting dialog of the device list: when a search finds no
// device it searches once more while it looks at the computer, then shows
// each finding in plain words with its fix. The text, commands included, can
// be selected or copied whole with Copy; "Search again" closes the dialog and
// asks the device list for a new search.

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

signals:
    void SearchAgain();

private:
    std::unique_ptr<Ui::FormTroubleshoot> ui;

    void DiagnosisFinished();
    void BtnCopyClick();
    void BtnSearchClick();
    QString Text(const char* key, const char* english) const;

    std::unique_ptr<diag::CDiagnosis> m_Diagnosis;
    bool m_HasResult = false;
};
