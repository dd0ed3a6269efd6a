#pragma once
// Fixture for the site survey, WPS method and wireless mode selection pages:
// the wizard as the program creates it with its picture store and engine, and
// helpers that use the pages as a user does: buttons, header and row clicks,
// and a script that acts while a modal dialog (the progress dialog, the WPS
// survey dialog) holds the click that opened it.

#include "controls/sortlistview.h"
#include "pages/formwpssurvey.h"
#include "pages/framesetupmethod.h"
#include "pages/framesitesurvey.h"
#include "pages/framewlmodesel.h"
#include "pages/framewpsmethod.h"
#include "pages/framewpssitesurvey.h"
#include "protocol/formudp.h"
#include "settings/timing.h"
#include "settingsui/formres.h"
#include "tests/common/logcapture.h"
#include "tests/pages/wlprofilefixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QRadioButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

// Steps run one at a time, each when its condition holds, from a timer that
// keeps firing inside modal dialogs. After its deadline the script gives up
// and ends any modal dialog still open, so a test never hangs.
class CScript : public QObject {
public:
    explicit CScript(int deadlineMs = 60000) : m_Deadline(deadlineMs) {
        connect(&m_Timer, &QTimer::timeout, this, [this] { Poll(); });
        m_Timer.start(5);
    }
    CScript& When(const char* what, std::function<bool()> condition, std::function<void()> action) {
        m_Steps.push_back({what, std::move(condition), std::move(action)});
        return *this;
    }
    bool Done() const { return m_Steps.empty() && !m_GaveUp; }
    // The step the script waits for (empty when done).
    QString Waiting() const {
        return m_Steps.empty() ? QString() : QString::fromLatin1(m_Steps.front().what);
    }

private:
    struct Step {
        const char* what;
        std::function<bool()> condition;
        std::function<void()> action;
    };
    void Poll() {
        if (m_Deadline.hasExpired() && !m_Steps.empty()) {
            m_GaveUp = true;
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->done(2);
            return;
        }
        if (m_Steps.empty() || !m_Steps.front().condition())
            return;
        // Taken off before it runs: the action may open a modal dialog in
        // which the next steps have to run.
        const std::function<void()> action = std::move(m_Steps.front().action);
        m_Steps.pop_front();
        action();
    }

    QTimer m_Timer;
    QDeadlineTimer m_Deadline;
    std::deque<Step> m_Steps;
    bool m_GaveUp = false;
};

class SurveyFixture : public WlProfileFixture {
protected:
    void TearDown() override {
        FormUDP = nullptr;
        Engine.reset();
        WlProfileFixture::TearDown();
        FormRes = nullptr;
        Res.reset();
        Log.reset();
        Timing::SetSpeedup(1);
    }

    // The wizard with its picture store; the engine is the test's to make.
    void OpenWizard(const QByteArray& settings = "[Setting]\n") {
        Log = std::make_unique<CLogCapture>();
        Res = std::make_unique<TFormRes>(false);
        FormRes = Res.get();
        Open(settings);
        ModeSel = Form->findChild<TFrameWlModeSel*>("FrameWlModeSel1");
        Survey = Form->findChild<TFrameSiteSurvey*>("FrameSiteSurvey1");
        WPS = Form->findChild<TFrameWPSMethod*>("FrameWPSMethod1");
        SetupMethod = Form->findChild<TFrameSetupMethod*>("FrameSetupMethod1");
        ASSERT_TRUE(ModeSel && Survey && WPS && SetupMethod);
    }
    void CreateEngine() {
        Engine = std::make_unique<TFormUDP>(Form.get());
        FormUDP = Engine.get();
    }

    static TSortListView* ListOf(QWidget* page) {
        return page->findChild<TSortListView*>(QStringLiteral("SurveyList"));
    }
    static QStringList Column(TSortListView* list, int column) {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(column);
        return texts;
    }
    static void ClickHeader(TSortListView* list, int column) {
        QHeaderView* header = list->header();
        const QPoint point(header->sectionViewportPosition(column) +
                               header->sectionSize(column) / 2,
                           header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
        Settle();
    }
    // Clicks the row whose column shows text; false when there is none.
    static bool ClickRow(TSortListView* list, int column, const QString& text) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            if (item->text(column) != text)
                continue;
            list->scrollToItem(item);
            QRect rect = list->visualItemRect(item);
            QTest::mouseClick(
                list->viewport(), Qt::LeftButton, {},
                QPoint(list->header()->sectionViewportPosition(column) + 8, rect.center().y()));
            Settle();
            return item->isSelected();
        }
        return false;
    }
    // Clicks a radio button on its indicator (a click right of its caption
    // misses it).
    static void ClickRadio(QWidget* page, const char* name) {
        auto* button = Child<QRadioButton>(page, name);
        ASSERT_TRUE(button && button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(7, button->height() / 2));
        Settle();
        EXPECT_TRUE(button->isChecked()) << name;
    }
    static bool Enabled(QWidget* page, const char* name) {
        auto* widget = page->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget && widget->isEnabled();
    }
    static bool Shown(QWidget* page, const char* name) {
        auto* widget = page->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget && widget->isVisible();
    }
    bool WaitPage(TFrameBase* page, int ms = 20000) {
        return QTest::qWaitFor([this, page] { return Form->CurrentFrame == page; }, ms);
    }
    // The open WPS survey dialog, if any.
    static TFormWPSSurvey* OpenSurveyDialog() {
        return qobject_cast<TFormWPSSurvey*>(QApplication::activeModalWidget());
    }

    std::unique_ptr<TFormRes> Res;
    std::unique_ptr<TFormUDP> Engine;
    std::unique_ptr<CLogCapture> Log;
    TFrameWlModeSel* ModeSel = nullptr;
    TFrameSiteSurvey* Survey = nullptr;
    TFrameWPSMethod* WPS = nullptr;
    TFrameSetupMethod* SetupMethod = nullptr;
};
