#pragma once
// The two tutorial pages: connect the device to the router's LAN port, then
// power it on. The settings can skip both.

#include "framework/framebase.h"

#include <QImage>
#include <memory>

namespace Ui {
class TFrameTutorial;
class TFrameTutorial2;
} // namespace Ui

// Both tutorial pages pass themselves over when "SkipTutorial" is set.
class TFrameTutorialBase : public TFrameBase {
    Q_OBJECT
public:
    using TFrameBase::TFrameBase;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
};

class TFrameTutorial : public TFrameTutorialBase {
    Q_OBJECT
public:
    explicit TFrameTutorial(QWidget* parent = nullptr);
    ~TFrameTutorial() override;
    void FrameInit() override;

private:
    std::unique_ptr<Ui::TFrameTutorial> ui;
};

class TFrameTutorial2 : public TFrameTutorialBase {
    Q_OBJECT
public:
    explicit TFrameTutorial2(QWidget* parent = nullptr);
    ~TFrameTutorial2() override;
    void FrameInit() override;

private:
    std::unique_ptr<Ui::TFrameTutorial2> ui;
};
