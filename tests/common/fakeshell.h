#pragma once
// Test helper: a desktop shell that records what it is asked and answers with
// the results a test sets. Installed for the object's lifetime.

#include "platform/shell.h"

#include <QStringList>

class CFakeShell : public CShell {
public:
    CFakeShell() { SetShell(this); }
    ~CFakeShell() override { SetShell(nullptr); }

    int FindExecutable(const QString& file, QString& program) override {
        Calls << "find " + file;
        program = QStringLiteral("reader.desktop");
        return FindResult;
    }
    int ShellExecute(const QString& verb, const QString& target) override {
        Calls << verb + " " + target;
        return OpenResult;
    }
    int ShellStart(const QString& verb, const QString& target, qint64& process) override {
        process = StartedProcess;
        return ShellExecute(verb, target);
    }

    int RunProgram(const QString& program, const QStringList& arguments, QByteArray& output,
                   QByteArray& error, int limitMs) override {
        Q_UNUSED(limitMs);
        Calls << "run " + program + " " + arguments.join(QLatin1Char(' '));
        output = RunOutput;
        error = RunError;
        return RunResult;
    }

    qint64 StartedProcess = 0; // the process id ShellStart reports
    int FindResult = SHELL_OK;
    int OpenResult = SHELL_OK;
    int RunResult = 0; // what RunProgram answers
    QByteArray RunOutput;
    QByteArray RunError;
    QStringList Calls; // "find FILE", "VERB TARGET", "run PROGRAM ARGS", in order
};
