#include "pages/ipsettingrequest.h"

#include "framework/formprogress.h"
#include "protocol/formudp.h"
#include "requests/requestplans.h"

bool CIPSettingRequest::Run(QWidget* page) {
    return TFormProgress::Run(page, m_Progress, m_Runner,
                              [this] { m_Runner.Start(FormUDP, RequestPlans::IPSetting()); }) == 1;
}

bool CIPSettingRequest::WndProc(const CUdpMessage& message) {
    return m_Runner.Handle(message);
}
