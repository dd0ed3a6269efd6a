#include "pages/framewlprofwlmode.h"

#include "settings/globalvar.h"
#include "settingsui/uiutil.h"
#include "ui_framewlprofwlmode.h"

namespace {
constexpr int ModeBGN = 9;
constexpr int ModeBG = 0;
constexpr int ModeN = 6;
} // namespace

TFrameWlProfWlMode::TFrameWlProfWlMode(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfWlMode) {
    ui->setupUi(this);
    WireButtons();
}

TFrameWlProfWlMode::~TFrameWlProfWlMode() = default;

void TFrameWlProfWlMode::FrameInit() {
    SetCommonLook();
    ui->CmbMode->clear();
    ui->CmbMode->addItem(g_Var.WirlessMode_BGN, ModeBGN);
    ui->CmbMode->addItem(g_Var.WirlessMode_BG, ModeBG);
    ui->CmbMode->addItem(g_Var.WirlessMode_N, ModeN);
    TFrameBase::FrameInit();
}

bool TFrameWlProfWlMode::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction == Direction::Forward)
        SelectComboValue(ui->CmbMode, ModeBGN);
    return true;
}

void TFrameWlProfWlMode::BtnNextClick() {
    g_Var.NewWl.WlMode =
        ui->CmbMode->currentIndex() < 0 ? ModeBGN : ui->CmbMode->currentData().toInt();
    PostNext();
}
