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
    enum class KeyFormat { Invalid, Ascii, Hex };

    explicit TFrameWlProfWEP(QWidget* parent = nullptr);
    ~TFrameWlProfWEP() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    void BtnNextClick() override;
    // The key length chosen: sets the key's maximum length, empties the key.
    void CmbWEPSelect();

    // A key of the maximum length M is ASCII when it has M/2 characters and
    // hexadecimal when it has M hexadecimal digits.
    static KeyFormat CheckWEPKey(const QString& key, int maxLength);
    // The key as stored: ASCII as typed, hexadecimal in upper case.
    static QString WEPKeyText(const QString& key, KeyFormat format);
    // The message for a refused key of length value v (0 64 bit, 1 128 bit);
    // hexLength: the key had the full length, so a character was not hex.
    static QString WEPKeyMessage(int v, bool hexLength);
    // Maximum key length for length value v.
    static int MaxKeyLength(int v) { return v == 1 ? 26 : 10; }

private:
    std::unique_ptr<Ui::TFrameWlProfWEP> ui;

    int SelectedLength() const;
};
