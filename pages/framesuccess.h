#pragma once
// The success page that ends every job.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameSuccess;
}

class TFrameSuccess : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameSuccess(QWidget* parent = nullptr);
    ~TFrameSuccess() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameSuccess> ui;
};
