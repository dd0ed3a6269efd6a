#pragma once
// Test fixture: a product folder with a settings file, g_Var loaded from it,
// and the wizard window created as the program creates it (the wizard window
// is also the target of posted page switches, as the launcher relays them).

#include "app/formmain.h"
#include "settings/globalvar.h"
#include "settings/winmessage.h"
#include "tests/common/globalvarstate.h"
#include "tests/common/printers.h"
#include "tests/common/scriptedboxes.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class WizardFixture : public ::testing::Test {
protected:
    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile file(m_Dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Loads the settings and creates the wizard; the first Next is posted.
    void CreateWizard(const QByteArray& settings = QByteArray()) {
        if (!settings.isNull())
            WriteFile("Setup.ini", settings);
        g_Var.Load(m_Dir.filePath("Setup"));
        Form = std::make_unique<TFormMain>();
        SetApplicationMainWindow(Form.get());
    }
    // Runs posted messages until no more are queued.
    static void Settle() {
        for (int i = 0; i < 20; ++i)
            QCoreApplication::sendPostedEvents();
    }
    void TearDown() override {
        SetApplicationMainWindow(nullptr);
        Form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ResetGlobalVarState();
    }

    QTemporaryDir m_Dir;
    CScriptedBoxes Boxes;
    std::unique_ptr<TFormMain> Form;
};
