#pragma once
// The program's windows, created in the program's order and reachable through
// their globals: the image store, the launcher (the application's main
// window), the wizard window, the protocol engine (posting to the launcher)
// and the WPS survey dialog. They go in the reverse order.

#include "app/formmain.h"
#include "pages/formautorun.h"
#include "pages/formwpssurvey.h"
#include "protocol/formudp.h"
#include "settingsui/formres.h"

#include <memory>

class CProgramWindows {
public:
    CProgramWindows();
    ~CProgramWindows();

    CProgramWindows(const CProgramWindows&) = delete;
    CProgramWindows& operator=(const CProgramWindows&) = delete;

private:
    // The image store comes first: every window takes its pictures from it.
    struct CImageStore {
        CImageStore();
        ~CImageStore();
        std::unique_ptr<TFormRes> Res;
    } m_Images;

public:
    TFormAutorun Autorun;
    TFormMain Wizard;
    TFormUDP Engine;
    TFormWPSSurvey Survey;
};
