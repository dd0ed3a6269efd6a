#include "settings/filepath.h"
#include "settings/globalvar.h"
#include "tests/common/fakeshell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A product folder as it comes from a disc made for Windows.
struct ProductFolder {
    ProductFolder() {
        for (const char* name : {"docs/eula.RTF", "Manual/Guide.pdf", "Manual/GUIDE.pdf",
                                 "qig/index.html", "Setup/AdbeRdr.exe", "Setup.ini"}) {
            QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
            QFile file(dir.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    QTemporaryDir dir;
};

} // namespace

TEST(ResolveFileName, WindowsNamesFindTheFilesWhateverTheirCase) {
    ProductFolder folder;
    const QString base = folder.dir.path() + "/";
    const struct {
        const char* name;
        const char* expected; // relative to base; null: unchanged
    } rows[] = {
        {"Docs\\EULA.rtf", "docs/eula.RTF"},
        {"manual\\guide.PDF", "Manual/GUIDE.pdf"}, // no exact name: the first in name order
        {"Manual\\Guide.pdf", "Manual/Guide.pdf"}, // the exact name first
        {"QIG\\", "qig/"},
        {".\\setup\\ADBERDR.EXE", "./Setup/AdbeRdr.exe"},
        {"Docs\\Missing\\EULA.rtf", "docs/Missing/EULA.rtf"}, // as written from the miss
        {"", nullptr},
        {"https://Example.com/Register\\Now", nullptr},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ResolveFileName(base, row.name), row.expected ? base + row.expected : row.name);
    EXPECT_EQ(ResolveFileName("/nowhere", base + "DOCS\\Eula.rtf"), base + "docs/eula.RTF");
}

TEST(ResolveFileName, ProductFileNamesResolveAgainstTheProgramFolder) {
    ProductFolder folder;
    QFile settings(folder.dir.filePath("Setup.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Product]\nUserGuide=MANUAL\\Guide.pdf\nAcrobatReader=Setup\\adbeRdr.EXE\n");
    settings.close();
    CFakeShell shell;
    CGlobalVar var;
    var.Load(folder.dir.filePath("Setup"));
    EXPECT_EQ(var.AcrobatReader, var.AppPath + "Setup/AdbeRdr.exe");
    EXPECT_EQ(var.OpenUserGuide(), 0);
    EXPECT_EQ(shell.Calls.last(), "open " + var.AppPath + "Manual/Guide.pdf");
}
