#include "settings/filepath.h"
#include "settings/globalvar.h"
#include "tests/common/fakeshell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A product folder as it comes from a disc made for Windows.
class ProductFolder {
public:
    ProductFolder() {
        for (const char* name : {"docs/eula.RTF", "Manual/Guide.pdf", "Manual/GUIDE.pdf",
                                 "qig/index.html", "Res/Pics/Back.JPG", "Setup/AdbeRdr.exe"})
            Write(name, "x");
    }
    void Write(const QString& name, const QByteArray& bytes) const {
        QDir(m_Dir.path()).mkpath(QFileInfo(Path(name)).path());
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QString Path(const QString& name) const { return m_Dir.path() + "/" + name; }

private:
    QTemporaryDir m_Dir;
};

} // namespace

TEST(ResolveFileName, WindowsNamesFindTheFilesWhateverTheirCase) {
    ProductFolder folder;
    const struct {
        const char* name;
        const char* expected; // relative to the product folder; "=" for unchanged
    } rows[] = {
        {"Docs\\EULA.rtf", "docs/eula.RTF"},
        {"manual\\guide.PDF", "Manual/GUIDE.pdf"}, // no exact match: the first in name order
        {"Manual\\Guide.pdf", "Manual/Guide.pdf"}, // the exact name first
        {"Manual/GUIDE.pdf", "Manual/GUIDE.pdf"},
        {"QIG\\", "qig/"},
        {"Res\\PICS\\back.jpg", "Res/Pics/Back.JPG"},
        {".\\setup\\ADBERDR.EXE", "./Setup/AdbeRdr.exe"},
        {"Docs\\Missing\\EULA.rtf", "docs/Missing/EULA.rtf"}, // kept as written from the miss
        {"", "="},
        {"https://Example.com/Register\\Now", "="},
        {"mailto:Sales@Example.com", "="},
    };
    const QString base = folder.Path("");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString expected =
            QLatin1String(row.expected) == "=" ? QString(row.name) : base + row.expected;
        EXPECT_EQ(ResolveFileName(base, row.name), expected);
    }
    // An absolute name keeps its root; folder names without a trailing separator.
    EXPECT_EQ(ResolveFileName("/nowhere", base + "DOCS\\Eula.rtf"), base + "docs/eula.RTF");
    EXPECT_EQ(ResolveFileName(base + "Manual", "guide.pdf"), base + "Manual/GUIDE.pdf");
}

TEST(ResolveFileName, EveryProductFileNameResolvesAgainstTheProgramFolder) {
    ProductFolder folder;
    folder.Write("Setup.ini", "[Product]\nUserGuide=MANUAL\\Guide.pdf\n"
                              "AcrobatReader=Setup\\adbeRdr.EXE\nLicense=Docs\\EULA.rtf\n"
                              "QIG=QIG\\\nProductReg=https://example.com/Reg\n");
    CFakeShell shell;
    CGlobalVar var;
    var.Load(folder.Path("Setup"));
    EXPECT_EQ(var.AcrobatReader, var.AppPath + "Setup/AdbeRdr.exe");
    EXPECT_EQ(var.ProductFile("License"), var.AppPath + "docs/eula.RTF");
    EXPECT_EQ(var.ProductFile("QIG"), var.AppPath + "qig/");
    EXPECT_EQ(var.ProductFile("ProductReg"), "https://example.com/Reg");
    EXPECT_EQ(var.OpenUserGuide(), 0);
    EXPECT_EQ(shell.Calls.last(), "open " + var.AppPath + "Manual/Guide.pdf");
}
