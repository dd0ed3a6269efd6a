#pragma once
// What the lab tests of swpctl share: running a program as a script would
// (its exit code and output) and the checks of such a run and of a simulated
// device's start.

#include "tests/common/labsim.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolRun {
    int code = -1; // -2: it crashed
    QString out;
    QString err;
};

// Runs program with args in env; one still running after limitMs is killed.
inline ToolRun RunTool(const QString& program, const QStringList& args,
                       const QProcessEnvironment& env, int limitMs) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    ToolRun run;
    if (!process.waitForStarted(limitMs) || !process.waitForFinished(limitMs)) {
        process.kill();
        process.waitForFinished();
        run.err = program + QStringLiteral(" did not finish");
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

#define START(device, ns, config)                                                                  \
    ASSERT_TRUE((device).Start(ns, config)) << (device).Error().toStdString()

#define EXPECT_RUN(run, expected)                                                                  \
    EXPECT_EQ(expected, (run).code)                                                                \
        << "stdout: " << (run).out.toStdString() << "\nstderr: " << (run).err.toStdString()
