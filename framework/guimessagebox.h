#pragma once
// Message boxes as dialogs, modal to the application.

#include "settings/messagebox.h"

class CGuiMessageBox : public CMessageBox {
public:
    void Information(const QString& caption, const QString& text) override;
    bool Question(const QString& caption, const QString& text) override;
};
