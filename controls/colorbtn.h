#pragma once
// A push button that paints itself: a face in its own colour with a raised 3-D
// edge, an optional glyph left of the caption and an embossed caption while
// disabled. TTrifaceBtn draws bitmaps on top of this and falls back to this face
// when it has none.

#include <QColor>
#include <QImage>
#include <QList>
#include <QPushButton>

class QPainter;

class TColorBtn : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QColor ColorLo READ ColorLo WRITE SetColorLo)
    Q_PROPERTY(QColor ColorHi READ ColorHi WRITE SetColorHi)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int GlyphIndex READ GlyphIndex WRITE SetGlyphIndex)

public:
    explicit TColorBtn(QWidget* parent = nullptr);

    // Colours follow the palette (button shadow, light and face) until set; an
    // invalid colour returns a property to the palette.
    QColor ColorLo() const;
    void SetColorLo(const QColor& color);
    QColor ColorHi() const;
    void SetColorHi(const QColor& color);
    QColor Color() const;
    void SetColor(const QColor& color);

    // The glyph images (transparent where their alpha says so); GlyphIndex
    // picks one, a negative index shows none.
    const QList<QImage>& Glyphs() const { return m_Glyphs; }
    void SetGlyphs(const QList<QImage>& glyphs);
    int GlyphIndex() const { return m_GlyphIndex; }
    void SetGlyphIndex(int index);

    // Number of times the button has painted itself; lets the owner (and the
    // tests) see that a state change repaints once and an unchanged state not
    // at all.
    int PaintCount() const { return m_PaintCount; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

    // The face under glyph and caption; TTrifaceBtn draws its bitmaps here.
    virtual void DrawFace(QPainter& painter);
    // The caption on top of face and glyph.
    virtual void DrawCaption(QPainter& painter);

    // Pieces the derived button reuses.
    void DrawColorFace(QPainter& painter) const;
    void DrawGlyph(QPainter& painter) const;
    void DrawColorCaption(QPainter& painter, bool focusRectangle) const;
    // The area the caption is centred in: the client area, starting after the
    // glyph when there is one.
    QRect CaptionArea() const;
    void DrawFocusRectangle(QPainter& painter) const;
    QColor WindowFrameColor() const;
    static constexpr int CaptionFlags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;

private:
    const QImage* CurrentGlyph() const;

    QColor m_ColorLo;
    QColor m_ColorHi;
    QColor m_Color;
    QList<QImage> m_Glyphs;
    int m_GlyphIndex = 0;
    int m_PaintCount = 0;
};
