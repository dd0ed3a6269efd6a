#pragma once
// The WPS site survey dialog: the user picks the WPS-capable access point to
// pair with by PIN.

#include <QDialog>
#include <memory>

namespace Ui {
class FormWPSSurvey;
}

class TFormWPSSurvey : public QDialog {
    Q_OBJECT
public:
    explicit TFormWPSSurvey(QWidget* parent = nullptr);
    ~TFormWPSSurvey() override;

    std::unique_ptr<Ui::FormWPSSurvey> ui;
};

extern TFormWPSSurvey* FormWPSSurvey;
