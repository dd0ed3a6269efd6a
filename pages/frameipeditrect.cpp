#include "pages/frameipeditrect.h"

#include "settingsui/formres.h"
#include "ui_frameipeditrect.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStringList>

namespace {

const QColor kEnabledColor(0xFF, 0xFF, 0xFF);
const QColor kDisabledColor(0xC0, 0xC0, 0xC0);
const QColor kDisabledText(0x6D, 0x6D, 0x6D); // readable on the silver boxes

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The leading digits of text.
QStringView LeadingDigits(const QString& text) {
    qsizetype end = 0;
    while (end < text.size() && IsAsciiDigit(text[end]))
        ++end;
    return QStringView(text).left(end);
}

// Whether a run of digits stands for 256 or more, however long it is.
bool AboveOctet(QStringView digits) {
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    return digits.size() > 3 || digits.toInt() > 255;
}

// The value of a non-empty run of digits, 255 for anything from 256 on.
int ClampedValue(QStringView digits) {
    return AboveOctet(digits) ? 255 : digits.toInt();
}

void SetBoxColor(QLineEdit* box, const QColor& color) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Disabled, QPalette::Text, kDisabledText);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
}

} // namespace

TCenterEdit::TCenterEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignCenter);
}

TFrameIPEditRect::TFrameIPEditRect(QWidget* parent) : QFrame(parent), ui(new Ui::TFrameIPEditRect) {
    ui->setupUi(this);
    m_Boxes = {ui->EdtOctet1, ui->EdtOctet2, ui->EdtOctet3, ui->EdtOctet4};
    if (FormRes) {
        ui->ImgEnableBG->setPixmap(QPixmap::fromImage(FormRes->ImgIPEnableBG));
        ui->ImgDisableBG->setPixmap(QPixmap::fromImage(FormRes->ImgIPDisableBG));
    }
    for (int i = 0; i < OctetCount; ++i) {
        TCenterEdit* box = m_Boxes[i];
        box->setFrame(false);
        box->setMaxLength(3);
        SetBoxColor(box, kEnabledColor);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, [this, i] { BoxChanged(i); });
    }
    ui->ImgEnableBG->show();
    ui->ImgDisableBG->hide();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &TFrameIPEditRect::FocusChanged);
}

TFrameIPEditRect::~TFrameIPEditRect() = default;

TCenterEdit* TFrameIPEditRect::Box(int n) const {
    return n >= 1 && n <= OctetCount ? m_Boxes[n - 1] : nullptr;
}

int TFrameIPEditRect::OctetValue(const QString& text) {
    const QStringView digits = LeadingDigits(text);
    return digits.isEmpty() ? 0 : ClampedValue(digits);
}

QString TFrameIPEditRect::GetAddress() const {
    bool allEmpty = true;
    for (const TCenterEdit* box : m_Boxes)
        allEmpty = allEmpty && box->text().isEmpty();
    if (allEmpty)
        return QString();
    QStringList octets;
    for (const TCenterEdit* box : m_Boxes)
        octets << QString::number(OctetValue(box->text()));
    return octets.join(u'.');
}

void TFrameIPEditRect::SetAddress(const QString& text) {
    const QStringList parts = text.isEmpty() ? QStringList() : text.split(u'.');
    for (int i = 0; i < OctetCount; ++i)
        m_Boxes[i]->setText(i < parts.size() ? parts[i] : QString());
}

QString TFrameIPEditRect::GetOctet(int n) const {
    const TCenterEdit* box = Box(n);
    return box ? box->text() : QString();
}

void TFrameIPEditRect::SetEnabled(bool enabled) {
    ui->ImgEnableBG->setVisible(enabled);
    ui->ImgDisableBG->setVisible(!enabled);
    for (TCenterEdit* box : m_Boxes)
        SetBoxColor(box, enabled ? kEnabledColor : kDisabledColor);
    setEnabled(enabled);
}

int TFrameIPEditRect::IndexOf(const QObject* box) const {
    for (int i = 0; i < OctetCount; ++i)
        if (m_Boxes[i] == box)
            return i;
    return -1;
}

bool TFrameIPEditRect::Contains(const QWidget* widget) const {
    return widget && (widget == this || isAncestorOf(widget));
}

void TFrameIPEditRect::FocusChanged(QWidget*, QWidget* now) {
    // A window that loses activation keeps its focus control: that is no exit.
    if (!now)
        return;
    const bool inside = Contains(now);
    if (inside && !m_Inside) {
        m_Inside = true;
        emit Entered();
    } else if (!inside && m_Inside) {
        m_Inside = false;
        FrameExit();
        emit Exited();
    }
}

void TFrameIPEditRect::FrameExit() {
    if (GetAddress().isEmpty())
        return;
    for (TCenterEdit* box : m_Boxes) {
        const QString value = QString::number(OctetValue(box->text()));
        if (box->text() != value)
            box->setText(value);
    }
}

void TFrameIPEditRect::BoxChanged(int index) {
    TCenterEdit* box = m_Boxes[index];
    const QString text = box->text();
    if (text.isEmpty())
        return;
    const QStringView digits = LeadingDigits(text);
    // Nothing but digits, and no number above 255 (no digits at all: empty).
    QString result;
    if (!digits.isEmpty())
        result = AboveOctet(digits) ? QStringLiteral("255") : digits.toString();
    if (result == text)
        return;
    box->setText(result); // runs this again, with nothing left to change
    box->deselect();
    box->setCursorPosition(result.size());
}

void TFrameIPEditRect::FocusBox(int index, int caret) {
    TCenterEdit* box = m_Boxes[index];
    box->setFocus(Qt::OtherFocusReason);
    box->deselect();
    box->setCursorPosition(caret < 0 ? box->text().size() : caret);
}

bool TFrameIPEditRect::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int index = IndexOf(watched);
        if (index >= 0)
            return KeyPress(index, static_cast<QKeyEvent*>(event));
    }
    return QFrame::eventFilter(watched, event);
}

// Returns true when the key is used up here and the box must not see it.
bool TFrameIPEditRect::KeyPress(int index, QKeyEvent* event) {
    TCenterEdit* box = m_Boxes[index];
    const bool selection = box->hasSelectedText();
    const int caret = box->cursorPosition();
    const int length = static_cast<int>(box->text().size());
    const bool first = index == 0;
    const bool last = index == OctetCount - 1;

    const Qt::KeyboardModifiers held =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == Qt::NoModifier && !selection) {
        if (event->key() == Qt::Key_Left && caret == 0 && !first) {
            FocusBox(index - 1, -1);
            return true;
        }
        if (event->key() == Qt::Key_Right && caret == length && !last) {
            FocusBox(index + 1, 0);
            return true;
        }
    }
    if (event->key() == Qt::Key_Backspace) {
        if (length == 0 && !first)
            FocusBox(index - 1, -1);
        return false; // the key itself goes on to the box
    }

    const QString text = event->text();
    if (text.size() != 1 || !text[0].isPrint())
        return false; // editing keys and shortcuts
    if (text[0] == u'.') {
        if (!selection && caret != 0 && !last)
            FocusBox(index + 1, 0);
        return true; // the point itself is never typed
    }
    if (IsAsciiDigit(text[0])) {
        // A third digit at the end moves on; the digit still goes into this box.
        if (!selection && length >= 2 && caret == length && !last)
            FocusBox(index + 1, 0);
        return false;
    }
    return true; // digits only
}
