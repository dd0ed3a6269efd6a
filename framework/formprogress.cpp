#include "framework/formprogress.h"

#include "framework/windowdrag.h"
#include "requests/requestrunner.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/utility.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"
#include "ui_formprogress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <exception>

TFormProgress::TFormProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::FormProgress) {
    ui->setupUi(this);
    setFixedSize(190, 50);
    setModal(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setWindowTitle(g_Var.AppTitle);
    ApplyTextsLocked(this, QStringLiteral("FormProgress"));
    if (FormRes)
        ui->ImgBG->setPixmap(QPixmap::fromImage(FormRes->ImgBGProgress));
    ApplyLayoutLocked(this, QStringLiteral("FormProgress"));
    // The bar takes the focus, so that a screen reader reads it ("Please
    // wait...", its value) when the dialog opens and its end when it closes.
    ui->ProgressBar1->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(ui->ProgressBar1);
    connect(&TimerProc, &CWaitTimer::Elapsed, this, &TFormProgress::TimerProcTimer);
}

TFormProgress::~TFormProgress() = default;

int TFormProgress::Execute(QWidget* page) {
    try {
        CenterOverPage(this, page);
        return exec();
    } catch (const std::exception& e) {
        DebugLog("TFormProgress::Execute() exception: %s", e.what());
    } catch (...) {
        DebugLog("TFormProgress::Execute() exception: %s", "unknown");
    }
    return 0;
}

int TFormProgress::Run(QWidget* page, TFormProgress*& holder, std::function<void()> work) {
    TFormProgress progress(page ? page->window() : nullptr);
    holder = &progress;
    progress.OnProc = std::move(work);
    const int result = progress.Execute(page);
    holder = nullptr;
    return result;
}

int TFormProgress::Run(QWidget* page, TFormProgress*& holder, CRequestRunner& runner,
                       std::function<void()> start) {
    const int result = Run(page, holder, [&holder, &runner, &start] {
        TFormProgress* progress = holder;
        progress->m_OnTimeLimit = [&runner] { runner.Stop(); };
        connect(
            &runner, &CRequestRunner::Finished, progress,
            [progress](const RequestResult& done) { progress->SetModalResult(done.Ok() ? 1 : 2); });
        start();
    });
    runner.Stop(); // a dialog that was never shown leaves nothing running
    return result;
}

void TFormProgress::SetModalResult(int result) {
    TimerProc.Stop();
    // The end is announced: the bar full, its description the outcome.
    ui->ProgressBar1->setValue(ui->ProgressBar1->maximum());
    ui->ProgressBar1->setAccessibleDescription(
        result == 1 ? GetText("FormProgress", "ProgressBar1_Done", QStringLiteral("Done."))
                    : GetText("FormProgress", "ProgressBar1_Failed", QStringLiteral("Failed.")));
    done(result);
}

void TFormProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_Ticks = 0;
    TimerProc.Start(TickMs);
}

void TFormProgress::TimerProcTimer() {
    const int next = ui->ProgressBar1->value() + 1;
    ui->ProgressBar1->setValue(next > ui->ProgressBar1->maximum() ? 0 : next);
    if (m_Ticks != 0) {
        if (++m_Ticks > TickLimit) {
            if (m_OnTimeLimit)
                m_OnTimeLimit();
            SetModalResult(2);
            return;
        }
        TimerProc.Restart();
        return;
    }
    // First tick: the dialog is on screen; run the work step, which sends the
    // first request. No tick counts while it runs.
    TimerProc.Stop();
    m_Ticks = 1;
    // An exception must not unwind through the event loop: it ends the dialog
    // with 0, as one while showing does.
    try {
        if (OnProc)
            OnProc();
    } catch (const std::exception& e) {
        DebugLog("TFormProgress::TimerProcTimer() exception: %s", e.what());
        done(0);
        return;
    } catch (...) {
        DebugLog("TFormProgress::TimerProcTimer() exception: %s", "unknown");
        done(0);
        return;
    }
    if (isVisible()) // the work step may already have ended the dialog
        TimerProc.Restart();
}

void TFormProgress::keyPressEvent(QKeyEvent* event) {
    // No way to cancel: Escape and Alt+F4 are swallowed.
    event->accept();
}

void TFormProgress::closeEvent(QCloseEvent* event) {
    // Only the page ends the dialog (done() hides without a close event).
    event->ignore();
}
