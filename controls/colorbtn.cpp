#include "controls/colorbtn.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

namespace {

// The glyph's silhouette in one colour, for the embossed disabled look.
QImage Silhouette(const QImage& glyph, const QColor& color) {
    QImage shape = glyph.convertToFormat(QImage::Format_ARGB32);
    if (shape.isNull())
        return shape;
    const QRgb ink = color.rgb() & 0x00FFFFFF;
    for (int y = 0; y < shape.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < shape.width(); ++x)
            line[x] = ink | (line[x] & 0xFF000000);
    }
    return shape;
}

void HLine(QPainter& painter, int x0, int x1, int y, const QColor& color) {
    if (x1 >= x0)
        painter.fillRect(QRect(x0, y, x1 - x0 + 1, 1), color);
}

void VLine(QPainter& painter, int x, int y0, int y1, const QColor& color) {
    if (y1 >= y0)
        painter.fillRect(QRect(x, y0, 1, y1 - y0 + 1), color);
}

} // namespace

TColorBtn::TColorBtn(QWidget* parent) : QPushButton(parent) {}

QColor TColorBtn::ColorLo() const {
    return m_ColorLo.isValid() ? m_ColorLo : palette().color(QPalette::Dark);
}

void TColorBtn::SetColorLo(const QColor& color) {
    if (color == m_ColorLo)
        return;
    m_ColorLo = color;
    update();
}

QColor TColorBtn::ColorHi() const {
    return m_ColorHi.isValid() ? m_ColorHi : palette().color(QPalette::Light);
}

void TColorBtn::SetColorHi(const QColor& color) {
    if (color == m_ColorHi)
        return;
    m_ColorHi = color;
    update();
}

QColor TColorBtn::Color() const {
    return m_Color.isValid() ? m_Color : palette().color(QPalette::Button);
}

void TColorBtn::SetColor(const QColor& color) {
    if (color == m_Color)
        return;
    m_Color = color;
    update();
}

void TColorBtn::SetGlyphs(const QList<QImage>& glyphs) {
    m_Glyphs = glyphs;
    update();
}

void TColorBtn::SetGlyphIndex(int index) {
    if (index == m_GlyphIndex)
        return;
    m_GlyphIndex = index;
    update();
}

QColor TColorBtn::WindowFrameColor() const {
    return palette().color(QPalette::Shadow);
}

const QImage* TColorBtn::CurrentGlyph() const {
    if (m_GlyphIndex < 0 || m_GlyphIndex >= m_Glyphs.size() || m_Glyphs[m_GlyphIndex].isNull())
        return nullptr;
    return &m_Glyphs[m_GlyphIndex];
}

bool TColorBtn::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
        // The style's hover look is not ours: no repaint for it.
        return true;
    default:
        return QPushButton::event(event);
    }
}

void TColorBtn::paintEvent(QPaintEvent*) {
    ++m_PaintCount;
    QPainter painter(this);
    painter.setFont(font());
    DrawFace(painter);
    DrawGlyph(painter);
    DrawCaption(painter);
}

void TColorBtn::DrawFace(QPainter& painter) {
    DrawColorFace(painter);
}

void TColorBtn::DrawCaption(QPainter& painter) {
    DrawColorCaption(painter, true);
}

void TColorBtn::DrawColorFace(QPainter& painter) const {
    QRect area = rect();
    if (area.isEmpty())
        return;
    const QColor frame = WindowFrameColor();
    if (isDefault() || hasFocus()) {
        HLine(painter, area.left(), area.right(), area.top(), frame);
        HLine(painter, area.left(), area.right(), area.bottom(), frame);
        VLine(painter, area.left(), area.top(), area.bottom(), frame);
        VLine(painter, area.right(), area.top(), area.bottom(), frame);
        area.adjust(1, 1, -1, -1);
        if (area.isEmpty())
            return;
    }
    painter.fillRect(area, Color());
    const int l = area.left(), t = area.top(), r = area.right(), b = area.bottom();
    if (isDown()) {
        HLine(painter, l, r, t, ColorLo());
        HLine(painter, l, r, b, ColorLo());
        VLine(painter, l, t, b, ColorLo());
        VLine(painter, r, t, b, ColorLo());
        return;
    }
    HLine(painter, l, r - 1, t, ColorHi());
    VLine(painter, l, t, b - 1, ColorHi());
    HLine(painter, l, r, b, frame);
    VLine(painter, r, t, b, frame);
    HLine(painter, l + 1, r - 1, b - 1, ColorLo());
    VLine(painter, r - 1, t + 1, b - 1, ColorLo());
}

QRect TColorBtn::CaptionArea() const {
    QRect area = rect();
    if (const QImage* glyph = CurrentGlyph())
        area.setLeft(glyph->width() + 6);
    return area;
}

void TColorBtn::DrawGlyph(QPainter& painter) const {
    const QImage* glyph = CurrentGlyph();
    if (!glyph)
        return;
    const int captionWidth =
        text().isEmpty() ? 0 : fontMetrics().size(CaptionFlags, text()).width();
    int x = static_cast<int>(std::lround((width() - captionWidth - glyph->width() - 2) / 2.0));
    int y = static_cast<int>(std::lround((height() - glyph->height() + 2) / 2.0));
    if (isDown()) {
        ++x;
        ++y;
    }
    if (!isEnabled()) {
        painter.drawImage(x + 1, y + 1, Silhouette(*glyph, ColorHi()));
        painter.drawImage(x, y, Silhouette(*glyph, ColorLo()));
        return;
    }
    painter.drawImage(x, y, *glyph);
}

void TColorBtn::DrawColorCaption(QPainter& painter, bool focusRectangle) const {
    if (text().isEmpty())
        return;
    QRect area = CaptionArea();
    if (isDown())
        area.translate(1, 1);
    if (!isEnabled()) {
        painter.setPen(ColorHi());
        painter.drawText(area.translated(1, 1), CaptionFlags, text());
        painter.setPen(ColorLo());
        painter.drawText(area, CaptionFlags, text());
    } else {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(area, CaptionFlags, text());
    }
    if (focusRectangle && hasFocus())
        DrawFocusRectangle(painter);
}

void TColorBtn::DrawFocusRectangle(QPainter& painter) const {
    const QRect area = rect().adjusted(4, 4, -4, -4);
    if (area.isEmpty())
        return;
    // A dotted line, every other pixel, like the system's focus rectangle.
    const QColor ink = palette().color(QPalette::ButtonText);
    for (int x = area.left(); x <= area.right(); x += 2) {
        painter.fillRect(QRect(x, area.top(), 1, 1), ink);
        painter.fillRect(QRect(x, area.bottom(), 1, 1), ink);
    }
    for (int y = area.top(); y <= area.bottom(); y += 2) {
        painter.fillRect(QRect(area.left(), y, 1, 1), ink);
        painter.fillRect(QRect(area.right(), y, 1, 1), ink);
    }
}
