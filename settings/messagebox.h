#pragma once
// Message boxes as the wizard shows them: an information box with OK, and a
// question with Yes and No, both captioned g_Var.MsgTitle. The wizard installs
// the dialog implementation; tests install a scripted one so nothing blocks.

#include <QString>

class CMessageBox {
public:
    virtual ~CMessageBox() = default;
    virtual void Information(const QString& caption, const QString& text) = 0;
    // true for Yes
    virtual bool Question(const QString& caption, const QString& text) = 0;
};

// The implementation in use. Until one is installed, messages go to standard
// error and questions are answered No.
CMessageBox& MessageBoxes();
void SetMessageBoxes(CMessageBox* boxes); // null restores the default; caller owns

// Shows text in an information box captioned g_Var.MsgTitle.
void ShowMessage(const QString& text);
// Asks text with Yes and No, captioned g_Var.MsgTitle; true for Yes.
bool AskQuestion(const QString& text);
