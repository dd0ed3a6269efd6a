#include "controls/trifacebtn.h"

#include "settings/debug.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRect>
#include <QVector>
#include <algorithm>
#include <vector>

namespace {

const char* const ErrDibSection = "Failed to create DIB section.";
const char* const ErrCreateRegion = "Failed to create region.";
const char* const ErrSetRegion = "Failed to set window region.";

// Rectangles per region batch; the batches are then united.
constexpr int ShapeBatch = 1000;

struct Shape {
    QRegion region;
    const char* error = nullptr;
};

// Unites the batches pairwise, so that a picture with very many runs costs
// n log n instead of n squared.
QRegion UniteAll(std::vector<QRegion> batches) {
    if (batches.empty())
        return {};
    while (batches.size() > 1) {
        std::vector<QRegion> next;
        next.reserve((batches.size() + 1) / 2);
        for (size_t i = 0; i < batches.size(); i += 2)
            next.push_back(i + 1 < batches.size() ? batches[i].united(batches[i + 1]) : batches[i]);
        batches.swap(next);
    }
    return batches.front();
}

// The region of the pixels of face that are farther than tolerance (Euclidean
// distance in RGB) from the transparent colour: each row's runs of such
// pixels, one rectangle per run.
// The shape is made of the button's pixels; a pixel of a double-resolution
// face covers a block of its pixels and is transparent when any of them is,
// so that no transparent colour shows at the edge.
Shape ShapeOf(const QImage& face, const QColor& transColor, qint16 tolerance) {
    const QImage copy = face.convertToFormat(QImage::Format_RGB888);
    if (copy.isNull())
        return {{}, ErrDibSection};
    const int block = std::max(1, int(face.devicePixelRatio()));
    const int width = copy.width() / block, height = copy.height() / block;

    const QColor key = transColor.toRgb();
    const int kr = key.red(), kg = key.green(), kb = key.blue();
    const int limit = tolerance < 0 ? -1 : int(tolerance) * int(tolerance);
    const auto transparentPixel = [&](const uchar* pixel) {
        const int dr = pixel[0] - kr, dg = pixel[1] - kg, db = pixel[2] - kb;
        return dr * dr + dg * dg + db * db <= limit;
    };
    const auto transparent = [&](int x, int y) {
        for (int dy = 0; dy < block; ++dy) {
            const uchar* line = copy.constScanLine(y * block + dy);
            for (int dx = 0; dx < block; ++dx)
                if (transparentPixel(line + 3 * (x * block + dx)))
                    return true;
        }
        return false;
    };

    std::vector<QRegion> batches;
    QVector<QRect> rects;
    rects.reserve(ShapeBatch);
    const auto flush = [&] {
        if (rects.isEmpty())
            return;
        QRegion batch;
        batch.setRects(rects.constData(), int(rects.size()));
        batches.push_back(batch);
        rects.clear();
    };
    for (int y = 0; y < height; ++y) {
        int x = 0;
        while (x < width) {
            while (x < width && transparent(x, y))
                ++x;
            const int start = x;
            while (x < width && !transparent(x, y))
                ++x;
            if (x > start) {
                rects.append(QRect(start, y, x - start, 1));
                if (rects.size() == ShapeBatch)
                    flush();
            }
        }
    }
    flush();

    QRegion region = UniteAll(std::move(batches));
    if (region.isEmpty())
        return {{}, ErrCreateRegion};
    return {region, nullptr};
}

} // namespace

TTrifaceBtn::TTrifaceBtn(QWidget* parent) : TColorBtn(parent) {
    setMouseTracking(true);
}

void TTrifaceBtn::SetFace(const QImage& image) {
    if (image == m_Face)
        return;
    m_Face = image;
    if (m_Face.isNull())
        m_AutoShape = false;
    BuildShape();
    update();
}

void TTrifaceBtn::SetFaceOver(const QImage& image) {
    if (image == m_FaceOver)
        return;
    m_FaceOver = image;
    update();
}

void TTrifaceBtn::SetFaceDown(const QImage& image) {
    if (image == m_FaceDown)
        return;
    m_FaceDown = image;
    update();
}

void TTrifaceBtn::SetFaceDisable(const QImage& image) {
    if (image == m_FaceDisable)
        return;
    m_FaceDisable = image;
    update();
}

void TTrifaceBtn::SetFocusRect(bool on) {
    if (on == m_FocusRect)
        return;
    m_FocusRect = on;
    if (on && m_AutoShape) {
        m_AutoShape = false;
        BuildShape();
    }
    update();
}

void TTrifaceBtn::SetAutoShape(bool on) {
    if (on && m_Face.isNull())
        on = false;
    if (on == m_AutoShape)
        return;
    m_AutoShape = on;
    if (on)
        m_FocusRect = false;
    BuildShape();
    update();
}

void TTrifaceBtn::SetTransColor(const QColor& color) {
    if (color.toRgb() == m_TransColor.toRgb())
        return;
    m_TransColor = color;
    BuildShape();
    update();
}

void TTrifaceBtn::SetTransTolerance(qint16 tolerance) {
    if (tolerance == m_TransTolerance)
        return;
    m_TransTolerance = tolerance;
    BuildShape();
    update();
}

void TTrifaceBtn::SetShiftOnOver(bool on) {
    if (on == m_ShiftOnOver)
        return;
    m_ShiftOnOver = on;
    update();
}

// The size of Face on screen (a double-resolution face counts half).
QSize TTrifaceBtn::FaceSize() const {
    return m_Face.deviceIndependentSize().toSize();
}

QSize TTrifaceBtn::sizeHint() const {
    return m_AutoShape ? FaceSize() : TColorBtn::sizeHint();
}

QSize TTrifaceBtn::minimumSizeHint() const {
    return m_AutoShape ? FaceSize() : TColorBtn::minimumSizeHint();
}

// With AutoShape on, the size is fixed to Face's: every resize, geometry change
// or layout request keeps that size and only moves the button.
void TTrifaceBtn::FixSize() {
    if (m_AutoShape) {
        if (!m_SizeFixed) {
            m_FreeMinimum = minimumSize();
            m_FreeMaximum = maximumSize();
            m_SizeFixed = true;
        }
        setFixedSize(FaceSize());
    } else if (m_SizeFixed) {
        m_SizeFixed = false;
        setMinimumSize(m_FreeMinimum);
        setMaximumSize(m_FreeMaximum);
    }
}

// A picture that gives no shape must not take the program down (replacement
// pictures come from files named in the settings): the failure is kept and
// logged, and the button stays rectangular.
void TTrifaceBtn::BuildShape() {
    m_ShapeError.clear();
    FixSize();
    if (!m_AutoShape) {
        clearMask();
        return;
    }
    Shape shape = ShapeOf(m_Face, m_TransColor, m_TransTolerance);
    if (!shape.error) {
        setMask(shape.region);
        if (mask() != shape.region)
            shape.error = ErrSetRegion;
    }
    if (shape.error) {
        clearMask();
        m_ShapeError = QString::fromLatin1(shape.error);
        DebugLog("TTrifaceBtn::BuildShape() %s", shape.error);
        DebugLog("  Name=%s", qPrintable(objectName()));
    }
}

// A press dragged off the shape and released over a transparent corner is no
// click, as it would not be over the parent either.
bool TTrifaceBtn::hitButton(const QPoint& pos) const {
    const QRegion shape = mask();
    return shape.isEmpty() ? TColorBtn::hitButton(pos) : shape.contains(pos);
}

void TTrifaceBtn::SetOver(bool over) {
    if (over == m_Over)
        return;
    m_Over = over;
    update();
}

void TTrifaceBtn::mouseMoveEvent(QMouseEvent* event) {
    // The leave that ends "over" comes from Qt without asking for it.
    SetOver(rect().contains(event->position().toPoint()));
    TColorBtn::mouseMoveEvent(event);
}

void TTrifaceBtn::enterEvent(QEnterEvent* event) {
    SetOver(rect().contains(event->position().toPoint()));
    TColorBtn::enterEvent(event);
}

void TTrifaceBtn::leaveEvent(QEvent* event) {
    SetOver(false);
    TColorBtn::leaveEvent(event);
}

void TTrifaceBtn::DrawFace(QPainter& painter) {
    const QImage* chosen = &m_Face;
    bool shift = false;
    if (!isEnabled()) {
        chosen = &m_FaceDisable;
    } else if (isDown()) {
        chosen = &m_FaceDown;
    } else if (m_Over && m_ShiftOnOver) {
        chosen = m_FaceOver.isNull() ? &m_Face : &m_FaceOver;
        shift = true;
    } else if (m_Over) {
        chosen = &m_FaceOver;
    }
    if (chosen->isNull())
        chosen = &m_Face;
    if (chosen->isNull()) {
        DrawColorFace(painter);
        return;
    }

    const QRect area = rect();
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          chosen->deviceIndependentSize().toSize() != area.size());
    painter.drawImage(area, *chosen);
    if (shift) {
        // Drawn over itself one pixel up and left: the shape stays, the picture
        // moves, and the last row and column keep their own pixels.
        painter.drawImage(area.translated(-1, -1), *chosen);
    }
    // The corner marks; an auto-shaped button, which has none, shows the
    // dotted frame, so that a keyboard user sees what Return or Space presses.
    if (hasFocus()) {
        if (m_FocusRect)
            DrawCornerMarks(painter);
        else
            DrawFocusRectangle(painter);
    }
}

void TTrifaceBtn::DrawCaption(QPainter& painter) {
    if (!(m_Over && m_ShiftOnOver && isEnabled() && !isDown())) {
        // A bitmap face shows its focus itself (DrawFace).
        DrawColorCaption(painter, m_Face.isNull());
        return;
    }
    if (text().isEmpty())
        return;
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(CaptionArea().translated(-1, -1), CaptionFlags, text());
    if (hasFocus())
        DrawFocusRectangle(painter);
}

void TTrifaceBtn::DrawCornerMarks(QPainter& painter) const {
    constexpr int Inset = 2;
    constexpr int Length = 6;
    const QRect r = rect().adjusted(Inset, Inset, -Inset, -Inset);
    if (r.width() < Length || r.height() < Length)
        return;
    const QColor ink = WindowFrameColor();
    const int l = r.left(), t = r.top(), rr = r.right() - Length + 1, b = r.bottom() - Length + 1;
    painter.fillRect(QRect(l, t, Length, 1), ink);
    painter.fillRect(QRect(l, t, 1, Length), ink);
    painter.fillRect(QRect(rr, t, Length, 1), ink);
    painter.fillRect(QRect(r.right(), t, 1, Length), ink);
    painter.fillRect(QRect(l, r.bottom(), Length, 1), ink);
    painter.fillRect(QRect(l, b, 1, Length), ink);
    painter.fillRect(QRect(rr, r.bottom(), Length, 1), ink);
    painter.fillRect(QRect(r.right(), b, 1, Length), ink);
}
