#include "app/programwindows.h"

#include "settings/winmessage.h"

CProgramWindows::CImageStore::CImageStore() : Res(std::make_unique<TFormRes>()) {
    FormRes = Res.get();
}

CProgramWindows::CImageStore::~CImageStore() {
    FormRes = nullptr;
}

CProgramWindows::CProgramWindows() : Engine(&Autorun), Survey(&Wizard) {
    FormAutorun = &Autorun;
    SetApplicationMainWindow(&Autorun);
    FormMain = &Wizard;
    Autorun.SetWizard(&Wizard);
    FormUDP = &Engine;
    FormWPSSurvey = &Survey;
}

CProgramWindows::~CProgramWindows() {
    SetApplicationMainWindow(nullptr);
    FormUDP = nullptr;
}
