#pragma once
// The confirmation sub-page of the wireless profile host: shows the settings
// about to be written, saves them to a text file or prints them, and on Next
// writes the profile to the device (as access point or as station) under the
// progress dialog, then re-reads the device's configuration.

#include "framework/framebase.h"
#include "requests/requestrunner.h"

#include <QList>
#include <QString>
#include <array>
#include <memory>

namespace Ui {
class TFrameWlProfConfirm;
}
class QPagedPaintDevice;
class TFormProgress;

class TFrameWlProfConfirm : public TFrameBase {
    Q_OBJECT
public:
    // One line of the summary: a section header or a "caption value" detail.
    struct SummaryLine {
        bool Header;
        QString Text;
        bool operator==(const SummaryLine&) const = default;
    };

    explicit TFrameWlProfConfirm(QWidget* parent = nullptr);
    ~TFrameWlProfConfirm() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    // Results and time-outs of the send sequence while the progress dialog is open.
    bool WndProc(const CUdpMessage& message) override;
    void BtnNextClick() override;
    void BtnSaveClick();
    void BtnPrintClick();

    // Whether the network settings are part of the summary (access point, or
    // client reached through the IP pages).
    bool NetworkBlockShown() const { return m_NetworkShown; }
    // The summary as shown, in order; rows without a caption are left out.
    QList<SummaryLine> Summary() const;
    // The summary file's contents: headers as "%s", details as "\t%s", each
    // line ended by CR LF.
    QByteArray SummaryFileBytes() const;
    // Draws the summary on one page of device (printer font 10 pt, headers at
    // x = 100, details at x = 200, in device units). false when the device
    // could not be painted on.
    bool PrintSummary(QPagedPaintDevice& device) const;
    // The progress dialog while the send sequence runs, else null.
    TFormProgress* Progress() const { return m_Progress; }

private:
    std::unique_ptr<Ui::TFrameWlProfConfirm> ui;

    void Fill();
    void PlaceRows();
    void SetSSIDText(const QString& ssid);

    CRequestRunner m_Runner;
    TFormProgress* m_Progress = nullptr;
    bool m_NetworkShown = true;
    std::array<bool, 3> m_InfoRowShown{true, true, true};
    void ShowInfoRows();
    QString m_SSID; // as stored; the label may show it cut with an ellipsis
};
