#include "settings/messagebox.h"

#include "settings/globalvar.h"

#include <cstdio>

namespace {

class CConsoleBoxes : public CMessageBox {
public:
    void Information(const QString& caption, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
    }
    bool Question(const QString& caption, const QString& text) override {
        Information(caption, text);
        return false;
    }
};

CConsoleBoxes g_ConsoleBoxes;
CMessageBox* g_Boxes = nullptr;

} // namespace

CMessageBox& MessageBoxes() {
    return g_Boxes ? *g_Boxes : g_ConsoleBoxes;
}

void SetMessageBoxes(CMessageBox* boxes) {
    g_Boxes = boxes;
}

void ShowMessage(const QString& text) {
    MessageBoxes().Information(g_Var.MsgTitle, text);
}

bool AskQuestion(const QString& text) {
    return MessageBoxes().Question(g_Var.MsgTitle, text);
}
