#pragma once
// The modal "Please wait..." dialog that runs one request sequence of a page.
// The page gives it a work step; the dialog starts the step on its first tick
// and stays up until the page sets the result (1 success, 2 failure) or about
// 300 seconds have passed.

#include "requests/waits.h"
#include "settings/waittimer.h"

#include <QDialog>
#include <functional>
#include <memory>

class CRequestRunner;

namespace Ui {
class FormProgress;
}

class TFormProgress : public QDialog {
    Q_OBJECT
public:
    static constexpr int TickMs = 200;
    static constexpr int TickLimit = Waits::ProgressLimit / TickMs; // 1500

    explicit TFormProgress(QWidget* parent = nullptr);
    ~TFormProgress() override;

    // Shows the dialog over page's window and returns the modal result: 1 the
    // operation succeeded, 2 it failed or timed out, 0 the dialog was not shown
    // or the work step ended in an exception (traced).
    int Execute(QWidget* page);
    // Ends the dialog with result (1 or 2).
    void SetModalResult(int result);

    // One request sequence of a page: a dialog over page runs work as its
    // work step; holder refers to the dialog while it is shown (the page's
    // message handler ends it through holder) and is null again afterwards.
    // Returns the modal result.
    static int Run(QWidget* page, TFormProgress*& holder, std::function<void()> work);
    // The same for a request runner: start (the work step) starts it, its
    // report ends the dialog (1 success, 2 failure), and the dialog's own time
    // limit stops it.
    static int Run(QWidget* page, TFormProgress*& holder, CRequestRunner& runner,
                   std::function<void()> start);

    std::function<void()> OnProc;
    int Ticks() const { return m_Ticks; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void TimerProcTimer();

    std::unique_ptr<Ui::FormProgress> ui;
    CWaitTimer TimerProc;
    int m_Ticks = 0;                     // 0 until the work step has started
    std::function<void()> m_OnTimeLimit; // before the dialog gives up
};
