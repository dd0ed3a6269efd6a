#pragma once
// The wireless setup method: WPS or manual setup.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameSetWlMethod;
}

class TFrameSetWlMethod : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameSetWlMethod(QWidget* parent = nullptr);
    ~TFrameSetWlMethod() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameSetWlMethod> ui;
};
