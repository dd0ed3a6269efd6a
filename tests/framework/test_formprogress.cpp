#include "framework/formprogress.h"
#include "protocol/formudp.h"
#include "requests/requestplans.h"
#include "settings/timing.h"
#include "settings/winmessage.h"
#include "tests/common/logcapture.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

class FormProgressTest : public ::testing::Test {
protected:
    void SetUp() override { Timing::SetSpeedup(200); } // a 200 ms tick takes 1 ms
    void TearDown() override { Timing::SetSpeedup(1); }
};

TEST_F(FormProgressTest, DesignAndPlacementOverThePage) {
    QWidget window;
    window.setGeometry(100, 100, 600, 450);
    window.show();
    QWidget page(&window);
    TFormProgress progress;
    EXPECT_EQ(progress.size(), QSize(190, 50));
    EXPECT_EQ(progress.findChild<QLabel*>("LbWait")->text(), "Please wait...");
    EXPECT_TRUE(progress.findChild<QLabel*>("LbWait")->font().bold());
    // A screen reader reads the bar by the text above it.
    EXPECT_EQ(progress.findChild<QProgressBar*>("ProgressBar1")->accessibleName(),
              "Please wait...");

    progress.OnProc = [&] { progress.SetModalResult(1); };
    EXPECT_EQ(progress.Execute(&page), 1);
    const QRect outer = window.frameGeometry();
    EXPECT_EQ(progress.pos(), QPoint(outer.left() + (outer.width() - 190) / 2,
                                     outer.top() + (outer.height() - 50) / 2));
}

TEST_F(FormProgressTest, WorkStepRunsOnTheFirstTickAndResultsEndTheDialog) {
    TFormProgress progress;
    int runs = 0;
    bool visibleWhenRun = false;
    progress.OnProc = [&] {
        ++runs;
        visibleWhenRun = progress.isVisible();
        // The page's answer arrives later, as a protocol result would.
        QTimer::singleShot(5, &progress, [&] { progress.SetModalResult(2); });
    };
    EXPECT_EQ(progress.Execute(nullptr), 2);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(visibleWhenRun);
    EXPECT_GE(progress.Ticks(), 1);
}

TEST_F(FormProgressTest, ClosedBeforeTheFirstTickTheWorkStepNeverRuns) {
    TFormProgress progress;
    int runs = 0;
    progress.OnProc = [&] { ++runs; };
    // A result already queued when the dialog starts.
    QTimer::singleShot(0, &progress, [&] { progress.SetModalResult(1); });
    EXPECT_EQ(progress.Execute(nullptr), 1);
    EXPECT_EQ(runs, 0);
}

TEST_F(FormProgressTest, WithoutAnAnswerTheDialogGivesUpAfterTheTickLimit) {
    TFormProgress progress; // OnProc empty
    EXPECT_EQ(progress.Execute(nullptr), 2);
    EXPECT_EQ(progress.Ticks(), TFormProgress::TickLimit + 1);
}

TEST_F(FormProgressTest, TheUserCannotCloseIt) {
    TFormProgress progress;
    int closes = 0;
    progress.OnProc = [&] {
        QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
        QApplication::sendEvent(&progress, &altF4);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&progress, &escape);
        progress.close();
        closes = progress.isVisible() ? 0 : 1;
        QTimer::singleShot(1, &progress, [&] { progress.SetModalResult(1); });
    };
    EXPECT_EQ(progress.Execute(nullptr), 1);
    EXPECT_EQ(closes, 0);
}

TEST_F(FormProgressTest, BarWrapsAfterItsMaximum) {
    TFormProgress progress;
    auto* bar = progress.findChild<QProgressBar*>("ProgressBar1");
    int seen = 0;
    progress.OnProc = [&] {
        bar->setValue(99);
        QTimer::singleShot(20, &progress, [&] {
            seen = bar->value();
            progress.SetModalResult(1);
        });
    };
    progress.Execute(nullptr);
    EXPECT_LT(seen, 99); // passed 100 and started again from 0
}

// A request runner under the dialog: its report ends the dialog; the dialog's
// own limit stops it.
TEST_F(FormProgressTest, RunsARequestRunnerAndStopsItAtItsLimit) {
    struct Row {
        bool answered;
        int result;
    };
    for (const Row row : {Row{true, 1}, Row{false, 2}}) {
        TFormUDP engine(nullptr);
        engine.LoggedIn = true;
        CRequestRunner runner;
        RequestPlan plan = RequestPlans::WirelessSetting(true);
        plan.pauseBeforeReread = 0;
        TFormProgress* holder = nullptr;
        const int result = TFormProgress::Run(nullptr, holder, runner, [&] {
            runner.Start(&engine, plan);
            if (!row.answered)
                return;
            runner.Handle(CUdpMessage(UM_UDP_RESULT, WAIT_WL_SETTING, 1));
            runner.Handle(CUdpMessage(UM_UDP_RESULT, WAIT_GET_CONFIG, 1));
        });
        EXPECT_EQ(result, row.result);
        EXPECT_FALSE(runner.Running());
        EXPECT_EQ(holder, nullptr);
    }
}

TEST_F(FormProgressTest, AnExceptionOfTheWorkStepIsTracedAndEndsTheDialogWithNothing) {
    CLogCapture log;
    const struct {
        std::function<void()> work;
        const char* line;
    } cases[] = {
        {[] { throw std::runtime_error("no socket"); },
         "TFormProgress::TimerProcTimer() exception: no socket"},
        {[] { throw 7; }, "TFormProgress::TimerProcTimer() exception: unknown"},
    };
    for (const auto& c : cases) {
        TFormProgress progress;
        progress.OnProc = c.work;
        EXPECT_EQ(progress.Execute(nullptr), 0);
        EXPECT_FALSE(progress.isVisible());
        EXPECT_TRUE(log.Contains(c.line)) << log.Lines().join('\n').toStdString();
    }
}

// A screen reader on the dialog: the focus on the bar, which reads its name,
// value and text while the work runs and its end as its description, the bar
// full, for either outcome.
TEST_F(FormProgressTest, ScreenReadersReadTheBarAndItsEnd) {
    const struct {
        int result;
        const char* end;
    } rows[] = {{1, "Done."}, {2, "Failed."}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.end);
        QWidget window;
        window.show();
        TFormProgress progress;
        auto* bar = progress.findChild<QProgressBar*>("ProgressBar1");
        QString name, value, text, during;
        QList<int> values;
        progress.OnProc = [&] {
            QAccessibleInterface* read = QAccessible::queryAccessibleInterface(bar);
            name = read->text(QAccessible::Name);
            value = read->valueInterface()->currentValue().toString();
            text = read->text(QAccessible::Value);
            during = read->text(QAccessible::Description);
            EXPECT_EQ(QApplication::focusWidget(), bar);
            progress.SetModalResult(row.result);
        };
        EXPECT_EQ(progress.Execute(&window), row.result);
        EXPECT_EQ(name, "Please wait...");
        EXPECT_EQ(value, "1"); // the first tick moved the bar one step
        EXPECT_EQ(text, "1");
        EXPECT_EQ(during, "");
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_EQ(QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Description),
                  row.end);
    }
}
