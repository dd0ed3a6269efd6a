#pragma once
// The image button of every page and of the launcher: one bitmap per state
// (normal, pointer over, pressed, disabled). With AutoShape on, the button takes
// the size of Face and the shape of its pixels that are not the transparent
// colour; clicks and drawing outside the shape belong to the parent.

#include "controls/colorbtn.h"

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QSize>
#include <QString>

class TTrifaceBtn : public TColorBtn {
    Q_OBJECT
    Q_PROPERTY(QImage Face READ Face WRITE SetFace)
    Q_PROPERTY(QImage FaceOver READ FaceOver WRITE SetFaceOver)
    Q_PROPERTY(QImage FaceDown READ FaceDown WRITE SetFaceDown)
    Q_PROPERTY(QImage FaceDisable READ FaceDisable WRITE SetFaceDisable)
    Q_PROPERTY(bool FocusRect READ FocusRect WRITE SetFocusRect)
    Q_PROPERTY(bool AutoShape READ AutoShape WRITE SetAutoShape)
    Q_PROPERTY(QColor TransColor READ TransColor WRITE SetTransColor)
    Q_PROPERTY(qint16 TransTolerance READ TransTolerance WRITE SetTransTolerance)
    Q_PROPERTY(bool ShiftOnOver READ ShiftOnOver WRITE SetShiftOnOver)

public:
    explicit TTrifaceBtn(QWidget* parent = nullptr);

    const QImage& Face() const { return m_Face; }
    // An empty Face turns AutoShape off.
    void SetFace(const QImage& image);
    const QImage& FaceOver() const { return m_FaceOver; }
    void SetFaceOver(const QImage& image);
    const QImage& FaceDown() const { return m_FaceDown; }
    void SetFaceDown(const QImage& image);
    const QImage& FaceDisable() const { return m_FaceDisable; }
    void SetFaceDisable(const QImage& image);

    // Corner marks while focused. Turning it on turns AutoShape off.
    bool FocusRect() const { return m_FocusRect; }
    void SetFocusRect(bool on);
    // Size and shape follow Face. Stays off while Face is empty; turning it on
    // turns FocusRect off.
    bool AutoShape() const { return m_AutoShape; }
    void SetAutoShape(bool on);
    QColor TransColor() const { return m_TransColor; }
    void SetTransColor(const QColor& color);
    // Largest colour distance still counted as transparent; negative leaves
    // every pixel in the shape.
    qint16 TransTolerance() const { return m_TransTolerance; }
    void SetTransTolerance(qint16 tolerance);
    // Show "over" by moving the picture one pixel up and left instead of
    // switching to FaceOver.
    bool ShiftOnOver() const { return m_ShiftOnOver; }
    void SetShiftOnOver(bool on);

    // Whether the pointer is over the button.
    bool IsOver() const { return m_Over; }

    // The text of the last failed shape building ("Failed to create region."
    // ...), empty when the last one succeeded. A failed shape leaves the button
    // rectangular; the failure is also written to the debug log.
    const QString& ShapeError() const { return m_ShapeError; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool hitButton(const QPoint& pos) const override;
    void DrawFace(QPainter& painter) override;
    void DrawCaption(QPainter& painter) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void BuildShape();
    void FixSize();
    QSize FaceSize() const;
    void SetOver(bool over);
    void DrawCornerMarks(QPainter& painter) const;

    QImage m_Face;
    QImage m_FaceOver;
    QImage m_FaceDown;
    QImage m_FaceDisable;
    bool m_FocusRect = true;
    bool m_AutoShape = false;
    QColor m_TransColor{0xFF, 0x00, 0xFF};
    qint16 m_TransTolerance = 0;
    bool m_ShiftOnOver = false;

    bool m_Over = false;
    QString m_ShapeError;

    // Size limits from before AutoShape fixed the size, restored when it ends.
    bool m_SizeFixed = false;
    QSize m_FreeMinimum;
    QSize m_FreeMaximum;
};
