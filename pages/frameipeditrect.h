#pragma once
// TFrameIPEditRect: the dotted-quad address input of the IP settings page. Four
// one-octet boxes sit over a picture that draws the frame and the dots; the
// control keeps them to digits, clamps each octet to 255 and moves the caret
// between the boxes the way one address field would.

#include <QFrame>
#include <QLineEdit>
#include <QString>
#include <array>
#include <memory>

namespace Ui {
class TFrameIPEditRect;
}
class QLabel;

// A single-line edit whose text is centred.
class TCenterEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCenterEdit(QWidget* parent = nullptr);
};

class TFrameIPEditRect : public QFrame {
    Q_OBJECT
public:
    static constexpr int OctetCount = 4;

    explicit TFrameIPEditRect(QWidget* parent = nullptr);
    ~TFrameIPEditRect() override;

    // "" when all four boxes are empty, otherwise the four octet values joined
    // by "." (an empty box counts as 0).
    QString GetAddress() const;
    // Part i of text (split at ".") into box i; boxes without a part are
    // emptied.
    void SetAddress(const QString& text);
    // The raw text of box n (1..4); "" for any other n.
    QString GetOctet(int n) const;
    // Enabled or disabled picture and box colour, then the control itself.
    void SetEnabled(bool enabled);

    // Box n (1..4), null for any other n.
    TCenterEdit* Box(int n) const;

    // The value of a box text: its digits up to the first other character,
    // 0 when there are none, 255 for 256 or more.
    static int OctetValue(const QString& text);

signals:
    // The focus moved into the control from another control.
    void Entered();
    // The focus moved from the control to another control (after FrameExit).
    void Exited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TFrameIPEditRect> ui;

    int IndexOf(const QObject* box) const; // 0..3, -1 for none
    bool Contains(const QWidget* widget) const;
    void FocusChanged(QWidget* old, QWidget* now);
    // Leaving the control: boxes are rewritten as their octet values.
    void FrameExit();
    void BoxChanged(int index);
    bool KeyPress(int index, QKeyEvent* event);
    // Focus to box index (0..3) with no selection and the caret at caret
    // (-1: after the last character).
    void FocusBox(int index, int caret);

    std::array<TCenterEdit*, OctetCount> m_Boxes{};
    bool m_Inside = false; // the focus is in one of the boxes
};
