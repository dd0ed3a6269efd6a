#include "pages/framelicense.h"
#include "settings/globalvar.h"
#include "tests/common/logcapture.h"
#include "tests/common/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

TEST(FrameLicense, WindowsLicenseNamesAreFoundAndUnreadableOnesTraced) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("docs");
    const struct {
        const char* license;
        const char* shown;
        const char* trace; // the trace's detail line after the program folder
    } rows[] = {
        {"Docs\\EULA.txt", "Terms of use", nullptr},
        {"Docs\\Missing.txt", "", "docs/Missing.txt cannot be read: the page is passed over"},
    };
    for (const auto& row : rows) {
        for (const char* name : {"docs/eula.TXT", "Setup.ini"}) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(name[0] == 'd' ? "Terms of use"
                                      : QByteArray("[Product]\nLicense=") + row.license);
        }
        g_Var.Load(dir.filePath("Setup"));
        CLogCapture log;
        TFrameLicense page;
        page.FrameEnter(nullptr, Direction::Forward, 0);
        EXPECT_EQ(page.findChild<QTextBrowser*>("REdtLicense")->toPlainText(), row.shown);
        const QStringList trace = {"TFrameLicense::FrameEnter()",
                                   "  License " + g_Var.AppPath + row.trace};
        EXPECT_EQ(log.Lines().filter("License"), row.trace ? trace : QStringList());
    }
}
