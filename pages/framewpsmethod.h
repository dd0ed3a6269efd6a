#pragma once
// The WPS method: push button or PIN pairing.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameWPSMethod;
}

class TFrameWPSMethod : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWPSMethod(QWidget* parent = nullptr);
    ~TFrameWPSMethod() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameWPSMethod> ui;
};
