#include "pages/framelicense.h"
#include "settings/globalvar.h"
#include "tests/common/logcapture.h"
#include "tests/common/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

TEST(FrameLicense, WindowsLicenseNamesAreFoundAndMissingOnesTraced) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("docs");
    QFile terms(dir.filePath("docs/eula.TXT"));
    ASSERT_TRUE(terms.open(QIODevice::WriteOnly));
    terms.write("Terms of use\n");
    terms.close();

    const struct {
        const char* license;
        const char* shown;
        const char* trace; // the detail line, after the program folder
    } rows[] = {
        {"Docs\\EULA.txt", "Terms of use", nullptr},
        {"Docs\\Missing.txt", "", "docs/Missing.txt cannot be read: the page is passed over"},
        {"", "", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.license);
        QFile settings(dir.filePath("Setup.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(QByteArray("[Product]\nLicense=") + row.license + "\n");
        settings.close();
        g_Var.Load(dir.filePath("Setup"));
        CLogCapture log;
        TFrameLicense page;
        page.FrameInit();
        page.FrameEnter(nullptr, 0, 0);
        EXPECT_EQ(page.findChild<QTextBrowser*>("REdtLicense")->toPlainText().trimmed(), row.shown);
        const QStringList expected = row.trace
                                         ? QStringList{"TFrameLicense::FrameEnter()",
                                                       "  License " + g_Var.AppPath + row.trace}
                                         : QStringList{};
        EXPECT_EQ(log.Lines().filter("TFrameLicense") + log.Lines().filter("  License"), expected);
    }
}
