#include "pages/framelicense.h"

#include "pages/licensetext.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "ui_framelicense.h"

#include <QFileInfo>

TFrameLicense::TFrameLicense(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameLicense) {
    ui->setupUi(this);
    WireButtons();
    connect(ui->ChkAccept, &QCheckBox::clicked, this, &TFrameLicense::ChkAcceptClick);
}

TFrameLicense::~TFrameLicense() = default;

void TFrameLicense::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}

bool TFrameLicense::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    m_Asking = false;
    const bool skip = g_Var.Ini && g_Var.Ini->ReadBool("Setting", "SkipLicense", false);
    if (direction == Direction::Backward) {
        if (skip)
            BtnBackClick();
        return true;
    }
    if (skip) {
        ui->ChkAccept->setChecked(true);
        BtnNextClick();
        return true;
    }
    if (g_Var.LicenseAccepted) {
        BtnNextClick();
        return true;
    }
    if (LoadLicense()) {
        ui->ChkAccept->setChecked(false);
        m_Asking = true;
        return true;
    }
    BtnNextClick(); // no license to show: the page is passed without asking
    return true;
}

bool TFrameLicense::LoadLicense() {
    const QString path = g_Var.ProductFile(QStringLiteral("License"));
    if (path.isEmpty())
        return false;
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        DebugLog("TFrameLicense::FrameEnter()");
        DebugLog("  License %s cannot be read: the page is passed over", qUtf8Printable(path));
        return false;
    }
    ui->REdtLicense->clear();
    ReadLicenseText(path, *ui->REdtLicense->document());
    ui->REdtLicense->moveCursor(QTextCursor::Start); // the reader starts at the top
    return true;
}

void TFrameLicense::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    ui->BtnNext->setEnabled(ui->ChkAccept->isChecked());
}

bool TFrameLicense::FrameLeave(TFrameBase* target, Direction direction, intptr_t param) {
    if (direction == Direction::Forward) {
        // A license on screen must be accepted. A page passed over because
        // there is no license file to show lets the user on without it.
        if (ui->ChkAccept->isChecked())
            g_Var.LicenseAccepted = true;
        else if (m_Asking)
            return false;
    }
    return TFrameBase::FrameLeave(target, direction, param);
}

void TFrameLicense::ChkAcceptClick() {
    ui->BtnNext->setEnabled(ui->ChkAccept->isChecked());
}
