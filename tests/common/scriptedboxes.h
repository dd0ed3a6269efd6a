#pragma once
// Test helper: message boxes that never block. Records every box shown and
// answers questions from a script (No when the script is empty).

#include "settings/messagebox.h"

#include <QStringList>
#include <deque>

class CScriptedBoxes : public CMessageBox {
public:
    CScriptedBoxes() { SetMessageBoxes(this); }
    ~CScriptedBoxes() override { SetMessageBoxes(nullptr); }

    void Information(const QString& caption, const QString& text) override {
        Captions << caption;
        Shown << text;
        Texts << text;
    }
    bool Question(const QString& caption, const QString& text) override {
        Captions << caption;
        Asked << text;
        Texts << text;
        if (Answers.empty())
            return false;
        const bool answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    QStringList Shown;        // information boxes, in order
    QStringList Asked;        // questions, in order
    QStringList Captions;     // captions of both kinds
    QStringList Texts;        // texts of both kinds, in order
    std::deque<bool> Answers; // next answers to questions (true = Yes)
};
