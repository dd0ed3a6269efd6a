#pragma once
// The wireless profile host: one wizard page that walks its own chain of
// sub-pages (SSID, wireless mode, security, WEP key or pre-shared key,
// confirmation) on the wizard window's behalf. The profile being built is
// g_Var.NewWl.

#include "framework/framebase.h"

#include <QList>
#include <QString>
#include <cstring>
#include <memory>

namespace Ui {
class TFrameWlProfile;
}
class TFrameWlProfSSID;
class TFrameWlProfWlMode;
class TFrameWlProfSecurity;
class TFrameWlProfWEP;
class TFrameWlProfPSK;
class TFrameWlProfConfirm;

// The text of a zero-terminated text field of a profile or survey record
// (SSID, keys); a field that lacks its terminator ends at its size.
inline QString ProfileFieldText(const char* field, size_t size) {
    return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, size)));
}

class TFrameWlProfile : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfile(QWidget* parent = nullptr);
    ~TFrameWlProfile() override;

    void FrameInit() override;
    void FrameDone() override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    // Protocol messages go on to the sub-page on screen.
    bool WndProc(const CUdpMessage& message) override;

    // The wizard window's Next and Back while the host is current. true when
    // the host has no further sub-page in that direction and the wizard
    // window moves on.
    bool AdvanceSubPage();
    bool RetreatSubPage();

    // Leaves the current sub-page for target in direction; false when target
    // refused to be entered.
    bool ShowSubPage(TFrameBase* target, Direction direction);

    TFrameBase* CurrentSubPage() const { return m_Current; }
    // The sub-pages, in layout order.
    QList<TFrameBase*> SubPages() const;

    TFrameWlProfSSID* SSIDPage() const;
    TFrameWlProfWlMode* WlModePage() const;
    TFrameWlProfSecurity* SecurityPage() const;
    TFrameWlProfWEP* WEPPage() const;
    TFrameWlProfPSK* PSKPage() const;
    TFrameWlProfConfirm* ConfirmPage() const;

private:
    std::unique_ptr<Ui::TFrameWlProfile> ui;

    // The sub-page that follows current going forward; null when there is
    // none (end of the chain, or a security type with no page).
    TFrameBase* Successor(TFrameBase* current) const;

    TFrameBase* m_Current = nullptr;
};
