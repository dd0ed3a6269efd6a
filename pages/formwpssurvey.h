#pragma once
// The WPS site survey dialog: the user picks the WPS-capable access point a
// wireless bridge pairs with by PIN. Result 1 for "Select", 2 for "Cancel" or
// any other way of closing it.

#include <QDialog>
#include <memory>

namespace Ui {
class FormWPSSurvey;
}
class TFrameWPSSiteSurvey;

class TFormWPSSurvey : public QDialog {
    Q_OBJECT
public:
    static constexpr int ResultSelect = 1;
    static constexpr int ResultCancel = 2;

    explicit TFormWPSSurvey(QWidget* parent = nullptr);
    ~TFormWPSSurvey() override;

    // Shows the dialog modally, centred over the window that holds page (the
    // application's main window when there is none); returns the result.
    int Execute(QWidget* page);
    // The SSID of the selected row, empty when none is selected.
    QString GetSelectedSSID() const;
    TFrameWPSSiteSurvey* Frame() const;

public slots:
    void reject() override; // Escape and the close control: "Cancel"

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::FormWPSSurvey> ui;
};

extern TFormWPSSurvey* FormWPSSurvey;
