#pragma once
// The WEP key sub-page of the wireless profile host: key length, one key as
// ASCII text or hexadecimal digits, and (for an access point) the
// authentication type.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlProfWEP;
}

class TFrameWlProfWEP : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfWEP(QWidget* parent = nullptr);
    ~TFrameWlProfWEP() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    void BtnNextClick() override;
    // The key length chosen: sets the key's maximum length, empties the key.
    void CmbWEPSelect();

private:
    std::unique_ptr<Ui::TFrameWlProfWEP> ui;

    int SelectedLength() const;
};
