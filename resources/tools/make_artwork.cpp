// Draws the built-in pictures of the wizard and writes them to resources/artwork:
// JPEG backgrounds through libjpeg, button faces as Windows bitmaps (fuchsia
// where the shape is transparent), small icons as PNG with alpha.
//
//   make_artwork <output folder>
//
// The output is committed; the build does not run this program. The texts in
// the pictures use DejaVu Sans (Debian package fonts-dejavu-core), loaded from
// its file so that the result does not depend on the fonts installed besides.

#include "resources/tools/jpegwriter.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// One palette for every picture.
const QColor Navy(0x0A, 0x2F, 0x6B);
const QColor Deep(0x0E, 0x4C, 0x9E);
const QColor Blue(0x1F, 0x6F, 0xD1);
const QColor Sky(0x4F, 0xA3, 0xF0);
const QColor Cyan(0x38, 0xC6, 0xF4);
const QColor Ice(0xDC, 0xEB, 0xFB);
const QColor Frost(0xF5, 0xF9, 0xFF);
const QColor Ink(0x14, 0x30, 0x5C);
const QColor InkSoft(0x45, 0x5E, 0x82);
const QColor Line(0xB4, 0xC9, 0xE4);
const QColor Fuchsia(0xFF, 0x00, 0xFF);
const QColor LedGreen(0x3D, 0xE0, 0x52);

QString g_Family = QStringLiteral("DejaVu Sans");

QFont Font(int pixelSize, bool bold = false) {
    QFont font(g_Family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Pictures are drawn at g_Scale device pixels per pixel: every drawing uses
// the coordinates of scale 1, the painter multiplies them.
int g_Scale = 1;

QImage NewImage(int width, int height, const QColor& fill = Qt::transparent) {
    QImage image(width * g_Scale, height * g_Scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(g_Scale);
    image.fill(fill);
    return image;
}

// The part of a picture at rect, in the coordinates of scale 1.
QImage Crop(const QImage& image, const QRect& rect) {
    const int scale = int(image.devicePixelRatio());
    QImage part = image.copy(QRect(rect.topLeft() * scale, rect.size() * scale));
    part.setDevicePixelRatio(scale);
    return part;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QColor Alpha(QColor color, int alpha) {
    color.setAlpha(alpha);
    return color;
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& a, const QColor& b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// Concentric radio waves around center, opening upwards (angles in degrees,
// Qt convention: 0 = three o'clock, counter-clockwise).
void Waves(QPainter& p, QPointF center, qreal first, qreal step, int count, qreal startAngle,
           qreal span, const QColor& color, qreal width, bool fade = true) {
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const qreal r = first + step * i;
        QColor c = color;
        if (fade)
            c.setAlphaF(color.alphaF() * (1.0 - 0.75 * i / std::max(1, count - 1)));
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(center.x() - r, center.y() - r, 2 * r, 2 * r), int(startAngle * 16),
                  int(span * 16));
    }
    p.restore();
}

void Text(QPainter& p, const QRectF& rect, int flags, const QString& text, const QFont& font,
          const QColor& color) {
    p.save();
    p.setFont(font);
    p.setPen(color);
    p.drawText(rect, flags, text);
    p.restore();
}

void Antenna(QPainter& p, QPointF base, qreal length, qreal angle, qreal width,
             const QColor& dark = QColor(0x2E, 0x34, 0x3E)) {
    p.save();
    p.translate(base);
    p.rotate(angle);
    QLinearGradient g(-width / 2, 0, width / 2, 0);
    g.setColorAt(0, dark.lighter(170));
    g.setColorAt(0.45, dark.lighter(120));
    g.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(130), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(-width / 2, -length, width, length), width / 2, width / 2);
    p.setBrush(dark.darker(110));
    p.drawRoundedRect(QRectF(-width * 0.8, -width * 0.9, width * 1.6, width * 1.8), width * 0.4,
                      width * 0.4);
    p.restore();
}

// The device seen from the front: a white box with a lighter top, a shaded
// side, a row of status lights and two antennas.
void DeviceFront(QPainter& p, QRectF front, bool lit = true) {
    const qreal w = front.width(), h = front.height();
    const qreal dx = w * 0.10, dy = -h * 0.42;
    p.save();
    // shadow
    QRadialGradient shadow(front.center().x() + dx / 2, front.bottom() + h * 0.08, w * 0.62);
    shadow.setColorAt(0, QColor(0, 0, 0, 70));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.save();
    p.translate(front.center().x() + dx / 2, front.bottom() + h * 0.08);
    p.scale(1.0, 0.16);
    p.drawEllipse(QPointF(0, 0), w * 0.62, w * 0.62);
    p.restore();

    Antenna(p, QPointF(front.left() + dx + w * 0.14, front.top() + dy + h * 0.12), h * 1.25, -9,
            std::max(3.0, w * 0.045));
    Antenna(p, QPointF(front.right() + dx - w * 0.14, front.top() + dy + h * 0.12), h * 1.25, 9,
            std::max(3.0, w * 0.045));

    const QColor edge(0x8C, 0x9B, 0xB2);
    QPolygonF top({front.topLeft(), front.topRight(), front.topRight() + QPointF(dx, dy),
                   front.topLeft() + QPointF(dx, dy)});
    QLinearGradient topFill(0, front.top() + dy, 0, front.top());
    topFill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    topFill.setColorAt(1, QColor(0xE9, 0xEF, 0xF7));
    p.setPen(QPen(edge, 1));
    p.setBrush(topFill);
    p.drawPolygon(top);
    QPolygonF side({front.topRight(), front.topRight() + QPointF(dx, dy),
                    front.bottomRight() + QPointF(dx, dy), front.bottomRight()});
    p.setBrush(
        Vertical(front.top(), front.bottom(), QColor(0xC9, 0xD4, 0xE3), QColor(0xA9, 0xB7, 0xCB)));
    p.drawPolygon(side);
    QLinearGradient face(0, front.top(), 0, front.bottom());
    face.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    face.setColorAt(0.55, QColor(0xEE, 0xF3, 0xF9));
    face.setColorAt(1, QColor(0xD2, 0xDC, 0xE8));
    p.setBrush(face);
    p.drawRect(front);
    // blue trim line and status lights
    p.setPen(QPen(Alpha(Blue, 200), std::max(1.0, h * 0.05)));
    p.drawLine(QPointF(front.left() + w * 0.05, front.top() + h * 0.28),
               QPointF(front.right() - w * 0.05, front.top() + h * 0.28));
    const qreal r = std::max(1.4, h * 0.065);
    for (int i = 0; i < 5; ++i) {
        const QPointF c(front.left() + w * (0.12 + 0.085 * i), front.top() + h * 0.62);
        const QColor on = i == 0 ? LedGreen : (i == 4 ? Sky : LedGreen);
        if (lit) {
            QRadialGradient glow(c, r * 3);
            glow.setColorAt(0, Alpha(on, 150));
            glow.setColorAt(1, Alpha(on, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawEllipse(c, r * 3, r * 3);
        }
        p.setPen(QPen(QColor(0x6B, 0x78, 0x8C), 0.6));
        p.setBrush(lit ? on : QColor(0xB8, 0xC2, 0xCF));
        p.drawEllipse(c, r, r);
    }
    p.restore();
}

// An RJ45 socket seen from the cable side.
void PortRJ45(QPainter& p, QRectF r, const QColor& surround) {
    p.save();
    p.setPen(QPen(surround.darker(150), 1));
    p.setBrush(surround);
    p.drawRoundedRect(r.adjusted(-2, -2, 2, 2), 2, 2);
    QPainterPath hole;
    const qreal w = r.width(), h = r.height();
    hole.moveTo(r.left(), r.top());
    hole.lineTo(r.right(), r.top());
    hole.lineTo(r.right(), r.bottom() - h * 0.28);
    hole.lineTo(r.right() - w * 0.28, r.bottom() - h * 0.28);
    hole.lineTo(r.right() - w * 0.28, r.bottom());
    hole.lineTo(r.left() + w * 0.28, r.bottom());
    hole.lineTo(r.left() + w * 0.28, r.bottom() - h * 0.28);
    hole.lineTo(r.left(), r.bottom() - h * 0.28);
    hole.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x12, 0x14, 0x18));
    p.drawPath(hole);
    p.setPen(QPen(QColor(0xD9, 0xB3, 0x4A), 1));
    for (int i = 0; i < 6; ++i) {
        const qreal x = r.left() + w * 0.2 + i * w * 0.12;
        p.drawLine(QPointF(x, r.top() + 1.5), QPointF(x, r.top() + h * 0.3));
    }
    p.restore();
}

// A network cable plug pushed into a socket, its boot and cable going down.
void PlugRJ45(QPainter& p, QRectF port, const QColor& cable) {
    p.save();
    const QRectF body = port.adjusted(-1, port.height() * 0.15, 1, port.height() * 0.35);
    p.setPen(QPen(cable.darker(160), 1));
    QLinearGradient g(body.left(), 0, body.right(), 0);
    g.setColorAt(0, cable.lighter(125));
    g.setColorAt(0.5, cable);
    g.setColorAt(1, cable.darker(125));
    p.setBrush(g);
    QPainterPath boot;
    boot.addRoundedRect(body, 2, 2);
    QPainterPath neck;
    neck.moveTo(body.left() + 2, body.bottom() - 1);
    neck.lineTo(body.right() - 2, body.bottom() - 1);
    neck.lineTo(body.center().x() + 4, body.bottom() + 9);
    neck.lineTo(body.center().x() - 4, body.bottom() + 9);
    neck.closeSubpath();
    p.drawPath(boot.united(neck));
    p.setPen(QPen(Alpha(Qt::white, 110), 1));
    p.drawLine(QPointF(body.left() + 3, body.top() + 3),
               QPointF(body.left() + 3, body.bottom() - 3));
    p.restore();
}

void Cable(QPainter& p, const QPainterPath& path, const QColor& color, qreal width) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color.darker(170), width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Alpha(color.lighter(160), 170), std::max(1.0, width / 3.5), Qt::SolidLine,
                  Qt::RoundCap));
    p.translate(-width / 5, -width / 5);
    p.drawPath(path);
    p.restore();
}

void Glow(QPainter& p, QPointF c, qreal r, const QColor& color) {
    QRadialGradient g(c, r);
    g.setColorAt(0, Alpha(color, 120));
    g.setColorAt(0.6, Alpha(color, 50));
    g.setColorAt(1, Alpha(color, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.restore();
}

void Label(QPainter& p, QPointF center, const QString& text, int size, const QColor& color,
           bool bold = false) {
    Text(p, QRectF(center.x() - 60, center.y() - 10, 120, 20), Qt::AlignCenter, text,
         Font(size, bold), color);
}

// The router's back: dark body, WAN and four LAN sockets, power jack.
struct RouterPorts {
    QRectF lan4;
};
RouterPorts RouterRear(QPainter& p, QRectF body) {
    p.save();
    Antenna(p, QPointF(body.left() + 16, body.top() + 2), 44, -6, 6);
    Antenna(p, QPointF(body.right() - 16, body.top() + 2), 44, 6, 6);
    p.setPen(QPen(QColor(0x0B, 0x0D, 0x11), 1));
    QLinearGradient g(0, body.top(), 0, body.bottom());
    g.setColorAt(0, QColor(0x4A, 0x51, 0x5C));
    g.setColorAt(0.12, QColor(0x33, 0x38, 0x41));
    g.setColorAt(1, QColor(0x1B, 0x1E, 0x24));
    p.setBrush(g);
    p.drawRoundedRect(body, 6, 6);
    // feet
    p.setBrush(QColor(0x1B, 0x1E, 0x24));
    p.drawRoundedRect(QRectF(body.left() + 14, body.bottom() - 1, 16, 5), 2, 2);
    p.drawRoundedRect(QRectF(body.right() - 30, body.bottom() - 1, 16, 5), 2, 2);

    const qreal y = body.top() + 22;
    const QSizeF size(20, 16);
    const QColor wan(0x2F, 0x86, 0xE8), lan(0xF2, 0xC1, 0x2E);
    PortRJ45(p, QRectF(QPointF(body.left() + 16, y), size), wan);
    Text(p, QRectF(body.left() + 6, body.top() + 4, 40, 14), Qt::AlignCenter, "WAN", Font(9, true),
         QColor(0xC8, 0xDD, 0xF7));
    RouterPorts ports;
    for (int i = 0; i < 4; ++i) {
        const QRectF r(QPointF(body.left() + 56 + i * 30, y), size);
        PortRJ45(p, r, lan);
        if (i == 3)
            ports.lan4 = r;
        Text(p, QRectF(r.left() - 6, body.top() + 4, r.width() + 12, 14), Qt::AlignCenter,
             QString::number(i + 1), Font(9, true), QColor(0xF7, 0xE2, 0x9C));
    }
    // LAN bracket
    p.setPen(QPen(QColor(0xF7, 0xE2, 0x9C), 1));
    const qreal bl = body.left() + 54, br = body.left() + 56 + 3 * 30 + 22;
    p.drawLine(QPointF(bl, body.bottom() - 8), QPointF(br, body.bottom() - 8));
    Text(p, QRectF(bl, body.bottom() - 9, br - bl, 10), Qt::AlignCenter, " LAN ", Font(8, true),
         QColor(0xF7, 0xE2, 0x9C));
    // power jack
    const QPointF jack(body.right() - 22, y + 8);
    p.setPen(QPen(QColor(0x0B, 0x0D, 0x11), 1));
    p.setBrush(QColor(0x10, 0x12, 0x16));
    p.drawEllipse(jack, 7, 7);
    p.setBrush(QColor(0xB0, 0xB6, 0xC0));
    p.drawEllipse(jack, 2, 2);
    Text(p, QRectF(jack.x() - 20, body.top() + 4, 40, 14), Qt::AlignCenter, "PWR", Font(8, true),
         QColor(0xC8, 0xCE, 0xD8));
    p.restore();
    return ports;
}

// The device's back: light body, LAN socket, DC IN jack and the power switch.
struct DevicePorts {
    QRectF lan;
    QPointF jack;
    QRectF switchRect;
};
DevicePorts DeviceRear(QPainter& p, QRectF body, bool powerOn) {
    p.save();
    Antenna(p, QPointF(body.left() + 14, body.top() + 2), 44, -6, 6);
    Antenna(p, QPointF(body.right() - 14, body.top() + 2), 44, 6, 6);
    p.setPen(QPen(QColor(0x8C, 0x9B, 0xB2), 1));
    QLinearGradient g(0, body.top(), 0, body.bottom());
    g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    g.setColorAt(0.5, QColor(0xEC, 0xF1, 0xF8));
    g.setColorAt(1, QColor(0xC9, 0xD4, 0xE3));
    p.setBrush(g);
    p.drawRoundedRect(body, 6, 6);
    p.setBrush(QColor(0xAE, 0xBA, 0xCB));
    p.drawRoundedRect(QRectF(body.left() + 14, body.bottom() - 1, 16, 5), 2, 2);
    p.drawRoundedRect(QRectF(body.right() - 30, body.bottom() - 1, 16, 5), 2, 2);

    DevicePorts ports;
    const qreal y = body.top() + 22;
    ports.lan = QRectF(body.left() + 34, y, 20, 16);
    PortRJ45(p, ports.lan, QColor(0xC4, 0xCC, 0xD8));
    Text(p, QRectF(ports.lan.left() - 10, body.top() + 4, 40, 14), Qt::AlignCenter, "LAN",
         Font(9, true), Ink);
    // reset hole
    const QPointF reset(body.left() + 84, y + 8);
    p.setPen(QPen(QColor(0x6B, 0x78, 0x8C), 1));
    p.setBrush(QColor(0x30, 0x34, 0x3C));
    p.drawEllipse(reset, 2.5, 2.5);
    Text(p, QRectF(reset.x() - 20, body.top() + 4, 40, 14), Qt::AlignCenter, "RESET", Font(8),
         InkSoft);
    // DC jack
    ports.jack = QPointF(body.left() + 124, y + 8);
    p.setPen(QPen(QColor(0x4A, 0x52, 0x5E), 1));
    p.setBrush(QColor(0x22, 0x25, 0x2B));
    p.drawEllipse(ports.jack, 7.5, 7.5);
    p.setBrush(QColor(0xB0, 0xB6, 0xC0));
    p.drawEllipse(ports.jack, 2.2, 2.2);
    Text(p, QRectF(ports.jack.x() - 24, body.top() + 4, 48, 14), Qt::AlignCenter, "DC IN",
         Font(8, true), Ink);
    // power switch
    ports.switchRect = QRectF(body.left() + 158, y - 1, 26, 18);
    p.setPen(QPen(QColor(0x3A, 0x40, 0x4A), 1));
    p.setBrush(QColor(0x2A, 0x2E, 0x35));
    p.drawRoundedRect(ports.switchRect, 3, 3);
    const QRectF half = powerOn ? QRectF(ports.switchRect.left() + 2, ports.switchRect.top() + 2,
                                         11, ports.switchRect.height() - 4)
                                : QRectF(ports.switchRect.right() - 13, ports.switchRect.top() + 2,
                                         11, ports.switchRect.height() - 4);
    p.setBrush(QColor(0x5A, 0x62, 0x6E));
    p.drawRoundedRect(half, 2, 2);
    Text(p, QRectF(ports.switchRect.left() - 10, body.top() + 4, 46, 14), Qt::AlignCenter, "POWER",
         Font(8, true), Ink);
    if (powerOn) {
        const QPointF led(ports.switchRect.right() + 9, ports.switchRect.center().y());
        Glow(p, led, 9, LedGreen);
        p.setPen(QPen(QColor(0x1E, 0x8A, 0x2C), 0.8));
        p.setBrush(LedGreen);
        p.drawEllipse(led, 2.6, 2.6);
    }
    p.restore();
    return ports;
}

// ---------------------------------------------------------------------------
// Backgrounds

constexpr int kPageTop = 105;

QImage FrameBackground() {
    QImage image = NewImage(600, 324);
    QPainter p(&image);
    Smooth(p);
    QLinearGradient g(0, 0, 0, 324);
    g.setColorAt(0, QColor(0xF6, 0xFA, 0xFF));
    g.setColorAt(0.8, QColor(0xE4, 0xEE, 0xFA));
    g.setColorAt(1, QColor(0xD6, 0xE4, 0xF5));
    p.fillRect(image.rect(), g);
    // a quiet separator above the button row
    QLinearGradient rule(12, 0, 588, 0);
    rule.setColorAt(0, Alpha(QColor(0xA9, 0xC3, 0xE3), 0));
    rule.setColorAt(0.15, QColor(0xA9, 0xC3, 0xE3));
    rule.setColorAt(0.85, QColor(0xA9, 0xC3, 0xE3));
    rule.setColorAt(1, Alpha(QColor(0xA9, 0xC3, 0xE3), 0));
    p.fillRect(QRectF(12, 280, 576, 1), rule);
    QLinearGradient light(12, 0, 588, 0);
    light.setColorAt(0, Alpha(Qt::white, 0));
    light.setColorAt(0.15, Alpha(Qt::white, 220));
    light.setColorAt(0.85, Alpha(Qt::white, 220));
    light.setColorAt(1, Alpha(Qt::white, 0));
    p.fillRect(QRectF(12, 281, 576, 1), light);
    return image;
}

void Title(QPainter& p, QPointF at, const QString& title, const QString& subtitle) {
    QFont big = Font(24, true);
    p.setFont(big);
    // soft shadow under the title
    p.setPen(Alpha(Navy.darker(150), 120));
    p.drawText(at + QPointF(1, 1.5), title);
    p.setPen(Qt::white);
    p.drawText(at, title);
    Text(p, QRectF(at.x(), at.y() + 8, 420, 18), Qt::AlignLeft | Qt::AlignVCenter, subtitle,
         Font(12), QColor(0xCF, 0xE4, 0xFB));
}

QImage MainBackground(const QImage& frame) {
    QImage image = NewImage(600, 450);
    QPainter p(&image);
    Smooth(p);
    // header band
    QLinearGradient band(0, 0, 600, kPageTop);
    band.setColorAt(0, Navy);
    band.setColorAt(0.55, Deep);
    band.setColorAt(1, Blue);
    p.fillRect(QRect(0, 0, 600, kPageTop), band);
    QRadialGradient shine(470, -40, 260);
    shine.setColorAt(0, Alpha(Qt::white, 70));
    shine.setColorAt(1, Alpha(Qt::white, 0));
    p.fillRect(QRect(0, 0, 600, kPageTop), shine);
    p.setClipRect(QRect(0, 0, 600, kPageTop));
    Waves(p, QPointF(525, 62), 26, 17, 6, 20, 140, Alpha(Qt::white, 90), 2.2);
    Waves(p, QPointF(90, 210), 120, 22, 5, 30, 120, Alpha(Sky, 40), 10, false);
    DeviceFront(p, QRectF(488, 58, 66, 22));
    p.setClipping(false);
    Title(p, QPointF(26, 50), "Wireless Setup Wizard",
          "Set up your access point or client bridge in a few easy steps");
    // accent line under the band
    QLinearGradient accent(0, 0, 600, 0);
    accent.setColorAt(0, Cyan);
    accent.setColorAt(0.6, Sky);
    accent.setColorAt(1, Alpha(Sky, 60));
    p.fillRect(QRect(0, kPageTop - 3, 600, 3), accent);
    // body: the page background, so nothing shows when a page is smaller
    p.drawImage(0, kPageTop, frame);
    // footer
    const int footerTop = kPageTop + 324;
    p.fillRect(QRect(0, footerTop, 600, 450 - footerTop),
               Vertical(footerTop, 450, QColor(0xC9, 0xDB, 0xF1), QColor(0xB2, 0xCA, 0xE8)));
    p.fillRect(QRect(0, footerTop, 600, 1), QColor(0x9D, 0xB9, 0xDD));
    Text(p, QRectF(12, footerTop, 576, 450 - footerTop), Qt::AlignRight | Qt::AlignVCenter,
         "Wireless Setup Wizard  \u00B7  Version 1.0", Font(10), QColor(0x3E, 0x5A, 0x84));
    // window edge
    p.setPen(QPen(Navy, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 599, 449));
    return image;
}

QImage ProgressBackground() {
    QImage image = NewImage(190, 50);
    QPainter p(&image);
    Smooth(p);
    p.fillRect(image.rect(), Vertical(0, 50, QColor(0xFF, 0xFF, 0xFF), QColor(0xE3, 0xEE, 0xFB)));
    QLinearGradient stripe(0, 0, 190, 0);
    stripe.setColorAt(0, Deep);
    stripe.setColorAt(1, Sky);
    p.fillRect(QRect(0, 0, 190, 3), stripe);
    Waves(p, QPointF(190, 50), 14, 9, 4, 90, 90, Alpha(Blue, 45), 2);
    p.setPen(QPen(QColor(0x5A, 0x87, 0xC0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 189, 49));
    return image;
}

// A white content card like the pages' group boxes.
void Card(QPainter& p, QRectF r) {
    p.save();
    p.setPen(QPen(QColor(0xB9, 0xCD, 0xE6), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.restore();
}

void StepHeading(QPainter& p, int step, const QString& title, const QString& text) {
    // numbered badge
    const QPointF badge(52, 44);
    QRadialGradient g(badge + QPointF(-3, -4), 16);
    g.setColorAt(0, Sky);
    g.setColorAt(1, Deep);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(badge, 13, 13);
    Text(p, QRectF(badge.x() - 13, badge.y() - 13, 26, 26), Qt::AlignCenter, QString::number(step),
         Font(15, true), Qt::white);
    Text(p, QRectF(74, 30, 480, 26), Qt::AlignLeft | Qt::AlignVCenter, title, Font(16, true), Ink);
    Text(p, QRectF(74, 56, 470, 36), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text,
         Font(11), InkSoft);
}

// The tutorial pictures fill the pages' content area: drawn in page
// coordinates, cut out at kTutorialArea.
const QRect kTutorialArea(24, 16, 553, 257);

QImage TutorialBase(const QImage& frame) {
    QImage image = Crop(frame, QRect(0, 0, 600, 280));
    QPainter p(&image);
    Smooth(p);
    Card(p, kTutorialArea);
    return image;
}

QImage Tutorial1(const QImage& frame) {
    QImage image = TutorialBase(frame);
    QPainter p(&image);
    Smooth(p);
    StepHeading(p, 1, "Connect the device to your network",
                "Use the supplied Ethernet cable to connect a LAN port of your router "
                "to the LAN port of the device.");

    const RouterPorts router = RouterRear(p, QRectF(58, 138, 206, 52));
    const DevicePorts device = DeviceRear(p, QRectF(340, 138, 206, 52), true);
    Label(p, QPointF(161, 124), "Your router", 12, Ink, true);
    Label(p, QPointF(443, 124), "Wireless device", 12, Ink, true);

    const QColor cable(0x2B, 0x7B, 0xE0);
    const QPointF from(router.lan4.center().x(), router.lan4.bottom() + 14);
    const QPointF to(device.lan.center().x(), device.lan.bottom() + 14);
    QPainterPath path(from);
    path.cubicTo(from + QPointF(0, 58), to + QPointF(0, 58), to);
    Cable(p, path, cable, 5);
    PlugRJ45(p, router.lan4, cable);
    PlugRJ45(p, device.lan, cable);
    Glow(p, router.lan4.center(), 22, Cyan);
    Glow(p, device.lan.center(), 22, Cyan);
    Text(p, QRectF(199, 238, 200, 18), Qt::AlignCenter, "Ethernet cable", Font(11, false),
         QColor(0x1F, 0x5F, 0xB8));
    return image;
}

void WallOutlet(QPainter& p, QRectF plate) {
    p.save();
    p.setPen(QPen(QColor(0xA3, 0xAD, 0xBB), 1));
    p.setBrush(
        Vertical(plate.top(), plate.bottom(), QColor(0xFF, 0xFF, 0xFF), QColor(0xE1, 0xE6, 0xEE)));
    p.drawRoundedRect(plate, 10, 10);
    p.setBrush(QColor(0xEE, 0xF1, 0xF5));
    p.drawEllipse(plate.center(), plate.width() * 0.36, plate.width() * 0.36);
    p.restore();
}

QImage Tutorial2(const QImage& frame) {
    QImage image = TutorialBase(frame);
    QPainter p(&image);
    Smooth(p);
    StepHeading(p, 2, "Power on the device",
                "Plug the power adapter into a power outlet and into the DC IN jack of "
                "the device, then set the power switch to ON.");

    // outlet with the adapter plugged in
    const QRectF plate(62, 124, 92, 100);
    WallOutlet(p, plate);
    const QRectF adapter(80, 140, 56, 68);
    p.setPen(QPen(QColor(0x0B, 0x0D, 0x11), 1));
    QLinearGradient body(adapter.left(), 0, adapter.right(), 0);
    body.setColorAt(0, QColor(0x4A, 0x51, 0x5C));
    body.setColorAt(0.35, QColor(0x2E, 0x33, 0x3B));
    body.setColorAt(1, QColor(0x16, 0x19, 0x1E));
    p.setBrush(body);
    p.drawRoundedRect(adapter, 8, 8);
    // lightning mark and its light
    QPainterPath bolt;
    const QPointF c = adapter.center() + QPointF(0, -6);
    bolt.moveTo(c + QPointF(3, -13));
    bolt.lineTo(c + QPointF(-7, 2));
    bolt.lineTo(c + QPointF(-1, 2));
    bolt.lineTo(c + QPointF(-4, 13));
    bolt.lineTo(c + QPointF(7, -3));
    bolt.lineTo(c + QPointF(1, -3));
    bolt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF5, 0xC2, 0x1B));
    p.drawPath(bolt);
    const QPointF led(adapter.center().x(), adapter.bottom() - 11);
    Glow(p, led, 8, LedGreen);
    p.setBrush(LedGreen);
    p.drawEllipse(led, 2.2, 2.2);
    Label(p, QPointF(108, 110), "Power outlet", 12, Ink, true);

    const DevicePorts device = DeviceRear(p, QRectF(262, 138, 206, 52), true);
    Label(p, QPointF(365, 124), "Wireless device", 12, Ink, true);

    // cable from the adapter to the DC jack
    const QColor cord(0x24, 0x27, 0x2D);
    const QPointF from(adapter.center().x(), adapter.bottom() + 2);
    const QPointF to(device.jack.x(), device.jack.y() + 12);
    QPainterPath path(from);
    path.cubicTo(from + QPointF(0, 50), to + QPointF(0, 66), to);
    Cable(p, path, cord, 4);
    // barrel plug in the jack
    p.setPen(QPen(QColor(0x0B, 0x0D, 0x11), 1));
    p.setBrush(QColor(0x2E, 0x33, 0x3B));
    p.drawRoundedRect(QRectF(device.jack.x() - 6, device.jack.y() - 6, 12, 22), 4, 4);
    Glow(p, device.jack, 20, Cyan);

    // close-up of the switch set to ON
    const QPointF zoom(520, 196);
    const qreal r = 44;
    p.setPen(QPen(Alpha(Blue, 160), 1.2, Qt::DashLine));
    p.drawLine(device.switchRect.center() + QPointF(10, 6), zoom + QPointF(-r * 0.74, -r * 0.62));
    p.setPen(QPen(Blue, 2));
    p.setBrush(
        Vertical(zoom.y() - r, zoom.y() + r, QColor(0xFF, 0xFF, 0xFF), QColor(0xE4, 0xEC, 0xF6)));
    p.drawEllipse(zoom, r, r);
    const QRectF rocker(zoom.x() - 26, zoom.y() - 14, 52, 28);
    p.setPen(QPen(QColor(0x3A, 0x40, 0x4A), 1.2));
    p.setBrush(QColor(0x2A, 0x2E, 0x35));
    p.drawRoundedRect(rocker, 5, 5);
    const QRectF pressed(rocker.left() + 3, rocker.top() + 3, 23, rocker.height() - 6);
    const QRectF raised(rocker.right() - 26, rocker.top() + 3, 23, rocker.height() - 6);
    p.setBrush(Vertical(raised.top(), raised.bottom(), QColor(0x8A, 0x93, 0xA0),
                        QColor(0x4E, 0x55, 0x60)));
    p.drawRoundedRect(raised, 3, 3);
    p.setBrush(QColor(0x3E, 0x45, 0x50));
    p.drawRoundedRect(pressed, 3, 3);
    Text(p, pressed, Qt::AlignCenter, "ON", Font(10, true), LedGreen);
    Text(p, raised, Qt::AlignCenter, "OFF", Font(9, true), QColor(0xE2, 0xE6, 0xEC));
    Text(p, QRectF(zoom.x() - r, zoom.y() + 16, 2 * r, 16), Qt::AlignCenter, "Switch ON",
         Font(10, true), QColor(0x1E, 0x8A, 0x2C));
    return image;
}

// ---------------------------------------------------------------------------
// Launcher

constexpr int kPanelLeft = 340;
// Where the launcher places its buttons; their faces are drawn on the
// background they cover there.
constexpr int kLauncherButtonLeft = 360;
constexpr int kLauncherButtonTop[4] = {170, 214, 258, 302};
constexpr QSize kLauncherButton(200, 36);
constexpr QPoint kSubEntry[2] = {{380, 258}, {380, 282}};
constexpr QSize kSubEntrySize(180, 22);

QImage LauncherBackground() {
    QImage image = NewImage(600, 450);
    QPainter p(&image);
    Smooth(p);
    // left: the product side
    QLinearGradient left(0, 0, kPanelLeft, 450);
    left.setColorAt(0, Navy);
    left.setColorAt(0.6, Deep);
    left.setColorAt(1, Blue);
    p.fillRect(QRect(0, 0, kPanelLeft, 450), left);
    QRadialGradient shine(250, 330, 260);
    shine.setColorAt(0, Alpha(Sky, 110));
    shine.setColorAt(1, Alpha(Sky, 0));
    p.fillRect(QRect(0, 0, kPanelLeft, 450), shine);
    p.setClipRect(QRect(0, 0, kPanelLeft, 450));
    Waves(p, QPointF(170, 300), 50, 30, 7, 25, 130, Alpha(Qt::white, 120), 3);
    p.setClipping(false);
    DeviceFront(p, QRectF(95, 318, 150, 46));

    Text(p, QRectF(30, 38, 300, 18), Qt::AlignLeft | Qt::AlignVCenter, "WIRELESS NETWORKING",
         Font(12, true), QColor(0x8C, 0xCB, 0xFF));
    QFont big = Font(30, true);
    p.setFont(big);
    p.setPen(Alpha(Navy.darker(160), 120));
    p.drawText(QPointF(31, 92), "Installation CD");
    p.setPen(Qt::white);
    p.drawText(QPointF(30, 90.5), "Installation CD");
    QLinearGradient accent(30, 0, 240, 0);
    accent.setColorAt(0, Cyan);
    accent.setColorAt(1, Alpha(Cyan, 0));
    p.fillRect(QRectF(30, 104, 210, 3), accent);
    Text(p, QRectF(30, 114, 300, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
         "Access point and client bridge\nsetup, guides and registration", Font(12),
         QColor(0xCF, 0xE4, 0xFB));

    // right: the menu side
    p.fillRect(QRect(kPanelLeft, 0, 600 - kPanelLeft, 450),
               Vertical(0, 450, QColor(0xFF, 0xFF, 0xFF), QColor(0xE2, 0xED, 0xFA)));
    QLinearGradient edge(kPanelLeft, 0, kPanelLeft + 10, 0);
    edge.setColorAt(0, Alpha(Navy, 70));
    edge.setColorAt(1, Alpha(Navy, 0));
    p.fillRect(QRect(kPanelLeft, 0, 10, 450), edge);
    Text(p, QRectF(kLauncherButtonLeft, 92, 210, 28), Qt::AlignLeft | Qt::AlignVCenter, "Welcome",
         Font(22, true), Ink);
    Text(p, QRectF(kLauncherButtonLeft, 122, 210, 18), Qt::AlignLeft | Qt::AlignVCenter,
         "Choose an option to begin.", Font(12), InkSoft);
    p.fillRect(QRectF(kLauncherButtonLeft, 152, 200, 1), Line);
    Text(p, QRectF(kLauncherButtonLeft, 420, 200, 16), Qt::AlignRight | Qt::AlignVCenter,
         "Version 1.0", Font(10), QColor(0x7A, 0x90, 0xB0));

    p.setPen(QPen(Navy, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 599, 449));
    return image;
}

// Glyphs of the launcher buttons, drawn in a 24 x 24 box.
void GlyphWizard(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 18), QPointF(15, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath star;
    const QPointF s(17.5, 6.5);
    for (int i = 0; i < 8; ++i) {
        const qreal a = M_PI / 4 * i - M_PI / 2;
        const qreal r = (i % 2) ? 1.6 : 5.0;
        const QPointF pt = s + QPointF(std::cos(a) * r, std::sin(a) * r);
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.drawPath(star);
    p.drawEllipse(QPointF(7, 7), 1.2, 1.2);
    p.drawEllipse(QPointF(19.5, 15), 1.0, 1.0);
}

void GlyphBook(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath left, right;
    left.moveTo(12, 7.5);
    left.cubicTo(9, 5.5, 6, 5.5, 4, 6.5);
    left.lineTo(4, 18);
    left.cubicTo(6, 17, 9, 17, 12, 19);
    left.closeSubpath();
    right.moveTo(12, 7.5);
    right.cubicTo(15, 5.5, 18, 5.5, 20, 6.5);
    right.lineTo(20, 18);
    right.cubicTo(18, 17, 15, 17, 12, 19);
    right.closeSubpath();
    p.setBrush(Alpha(c, 60));
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(c, 1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(6, 9.5 + i * 2.6), QPointF(10, 10 + i * 2.6));
        p.drawLine(QPointF(14, 10 + i * 2.6), QPointF(18, 9.5 + i * 2.6));
    }
}

void GlyphRegister(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Alpha(c, 60));
    p.drawRoundedRect(QRectF(6, 5, 12, 15), 1.5, 1.5);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(9, 3.5, 6, 3), 1, 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(9, 13);
    tick.lineTo(11.5, 15.5);
    tick.lineTo(15.5, 10);
    p.drawPath(tick);
}

void GlyphPower(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5.5, 6, 13, 13), (90 + 40) * 16, (360 - 80) * 16);
    p.drawLine(QPointF(12, 4), QPointF(12, 12));
}

using Glyph = std::function<void(QPainter&, const QColor&)>;

// Coverage of a shape: 0..255 per pixel.
QImage Coverage(QSize size, const QPainterPath& shape) {
    QImage mask = NewImage(size.width(), size.height(), Qt::transparent);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(shape);
    return mask;
}

// Pixels the shape covers less than half become fuchsia, the transparent
// colour of the image buttons; edge pixels keep the colour blended against
// the background the button stands on.
QImage CutOut(const QImage& face, const QPainterPath& shape) {
    const QImage mask = Coverage(face.deviceIndependentSize().toSize(), shape);
    QImage out = face.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* cover = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (qAlpha(cover[x]) < 128)
                row[x] = Fuchsia.rgb();
    }
    return out;
}

QPainterPath Rounded(QRectF r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QImage LauncherButton(const QImage& background, QPoint at, const QString& text, const Glyph& glyph,
                      bool highlighted) {
    QImage face = Crop(background, QRect(at, kLauncherButton));
    QPainter p(&face);
    Smooth(p);
    const QRectF r(0.5, 0.5, kLauncherButton.width() - 1, kLauncherButton.height() - 1);
    const QPainterPath shape =
        Rounded(QRectF(0, 0, kLauncherButton.width(), kLauncherButton.height()), 7);
    QLinearGradient fill(0, 0, 0, kLauncherButton.height());
    if (highlighted) {
        fill.setColorAt(0, QColor(0x5C, 0xA8, 0xF2));
        fill.setColorAt(0.5, QColor(0x2A, 0x7C, 0xDB));
        fill.setColorAt(1, QColor(0x16, 0x5B, 0xB5));
        p.setPen(QPen(QColor(0x0F, 0x46, 0x90), 1));
    } else {
        fill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
        fill.setColorAt(1, QColor(0xE6, 0xF0, 0xFC));
        p.setPen(QPen(QColor(0x9D, 0xBC, 0xE3), 1));
    }
    p.setBrush(fill);
    p.drawRoundedRect(r, 6.5, 6.5);
    // gloss on the upper half
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(1, 18, Alpha(Qt::white, highlighted ? 70 : 120), Alpha(Qt::white, 0)));
    p.drawRoundedRect(QRectF(2, 1.5, kLauncherButton.width() - 4, 16), 5.5, 5.5);
    // glyph in a round badge
    const QPointF badge(21, kLauncherButton.height() / 2.0);
    if (highlighted) {
        p.setBrush(Qt::white);
    } else {
        QRadialGradient g(badge + QPointF(-3, -4), 16);
        g.setColorAt(0, Sky);
        g.setColorAt(1, Deep);
        p.setBrush(g);
    }
    p.drawEllipse(badge, 13, 13);
    p.save();
    p.translate(badge - QPointF(12, 12));
    glyph(p, highlighted ? Blue : Qt::white);
    p.restore();
    Text(p, QRectF(44, 0, kLauncherButton.width() - 50, kLauncherButton.height()),
         Qt::AlignLeft | Qt::AlignVCenter, text, Font(12, true), highlighted ? Qt::white : Ink);
    p.end();
    return CutOut(face, shape);
}

QImage SubEntry(const QImage& background, QPoint at, const QString& text, bool highlighted) {
    QImage face = Crop(background, QRect(at, kSubEntrySize));
    QPainter p(&face);
    Smooth(p);
    if (highlighted) {
        p.setPen(QPen(QColor(0xA9, 0xC8, 0xEE), 1));
        p.setBrush(Vertical(0, kSubEntrySize.height(), QColor(0xEE, 0xF5, 0xFE),
                            QColor(0xD3, 0xE5, 0xFA)));
        p.drawRoundedRect(QRectF(0.5, 0.5, kSubEntrySize.width() - 1, kSubEntrySize.height() - 1),
                          4, 4);
    }
    // small arrow bullet
    QPainterPath arrow;
    arrow.moveTo(12, 7);
    arrow.lineTo(17, 11);
    arrow.lineTo(12, 15);
    p.setPen(QPen(highlighted ? Blue : Sky, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    QFont font = Font(12);
    font.setUnderline(highlighted);
    Text(p, QRectF(26, 0, kSubEntrySize.width() - 28, kSubEntrySize.height()),
         Qt::AlignLeft | Qt::AlignVCenter, text, font, highlighted ? Blue : Ink);
    p.end();
    return face.convertToFormat(QImage::Format_RGB32);
}

// ---------------------------------------------------------------------------
// Small pieces

constexpr QSize kPageButton(85, 21);
constexpr QPoint kPageButtonAt(24, 288);

QImage PageButton(const QImage& frame, int state) { // 0 normal, 1 hover, 2 pressed
    QImage face = Crop(frame, QRect(kPageButtonAt, kPageButton));
    QPainter p(&face);
    Smooth(p);
    const QRectF r(0.5, 0.5, kPageButton.width() - 1, kPageButton.height() - 1);
    QLinearGradient fill(0, 0, 0, kPageButton.height());
    QColor border;
    switch (state) {
    case 0:
        fill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
        fill.setColorAt(0.5, QColor(0xF0, 0xF6, 0xFE));
        fill.setColorAt(1, QColor(0xD2, 0xE2, 0xF6));
        border = QColor(0x6F, 0x95, 0xC8);
        break;
    case 1:
        fill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
        fill.setColorAt(0.5, QColor(0xE3, 0xF1, 0xFE));
        fill.setColorAt(1, QColor(0xB6, 0xD8, 0xFA));
        border = QColor(0x2F, 0x7B, 0xD6);
        break;
    default:
        fill.setColorAt(0, QColor(0xB3, 0xCD, 0xEE));
        fill.setColorAt(0.5, QColor(0xCC, 0xDF, 0xF6));
        fill.setColorAt(1, QColor(0xE6, 0xF0, 0xFC));
        border = QColor(0x1F, 0x5F, 0xB8);
        break;
    }
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, 4, 4);
    if (state == 1) { // a light inner rim while the pointer is over it
        p.setPen(QPen(Alpha(Sky, 150), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3, 3);
    }
    if (state == 2) { // inner shadow along the top
        p.setPen(QPen(Alpha(Navy, 60), 1));
        p.drawLine(QPointF(3, 1.5), QPointF(kPageButton.width() - 3, 1.5));
    }
    p.end();
    return CutOut(face, Rounded(QRectF(0, 0, kPageButton.width(), kPageButton.height()), 4.5));
}

// Background of the dotted-quad address edit: the frame and the three dots;
// the four octet boxes (14 px wide at x 6, 34, 62, 90) sit on it.
QImage AddressBackground(bool enabled) {
    QImage image = NewImage(116, 21, enabled ? Qt::white : QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
    p.setPen(enabled ? QColor(0x7F, 0x9D, 0xB9) : QColor(0xB8, 0xC4, 0xD2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, 115, 20);
    if (enabled) {
        p.setPen(QColor(0xE6, 0xEE, 0xF7));
        p.drawLine(1, 1, 114, 1);
    }
    const QColor dot = enabled ? QColor(0x20, 0x20, 0x20) : QColor(0x90, 0x90, 0x90);
    for (int x : {26, 54, 82})
        p.fillRect(QRect(x, 13, 2, 2), dot);
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

void IconAccessPoint(QPainter& p) {
    // radio waves
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2F, 0x86, 0xE8), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(8.5, 0.5, 7, 7), 0 * 16, 90 * 16);
    p.drawArc(QRectF(10.5, 2.5, 3, 3), 0 * 16, 90 * 16);
    // antenna
    p.setPen(QPen(QColor(0x33, 0x3A, 0x45), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 4.5), QPointF(12, 9.5));
    // body
    p.setPen(QPen(QColor(0x0F, 0x46, 0x90), 1));
    p.setBrush(Vertical(9, 15, QColor(0x6C, 0xB4, 0xF5), QColor(0x1A, 0x62, 0xC0)));
    p.drawRoundedRect(QRectF(1.5, 9.5, 13, 5), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(LedGreen);
    p.drawRect(QRectF(3.5, 11.5, 1.5, 1.5));
    p.drawRect(QRectF(6, 11.5, 1.5, 1.5));
}

void IconStation(QPainter& p) {
    // a notebook with a wireless adapter
    p.setPen(QPen(QColor(0x4A, 0x55, 0x66), 1));
    p.setBrush(Vertical(2, 11, QColor(0x9F, 0xD0, 0xFF), QColor(0x2A, 0x7C, 0xDB)));
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 8), 1, 1);
    p.setBrush(Vertical(11, 15, QColor(0xE4, 0xE9, 0xF0), QColor(0xA5, 0xB0, 0xBF)));
    QPolygonF base(
        {QPointF(1.5, 14.5), QPointF(14.5, 14.5), QPointF(13.5, 11.5), QPointF(2.5, 11.5)});
    p.drawPolygon(base);
    p.setPen(QPen(Alpha(Qt::white, 200), 1));
    p.drawLine(QPointF(4, 4.5), QPointF(8, 4.5));
}

void IconPadlock(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x7A, 0x5A, 0x00), 1.4));
    p.drawArc(QRectF(10.7, 8.2, 4.6, 5.6), 0, 180 * 16);
    p.drawLine(QPointF(10.7, 11), QPointF(10.7, 12));
    p.drawLine(QPointF(15.3, 11), QPointF(15.3, 12));
    p.setPen(QPen(QColor(0x8A, 0x62, 0x00), 1));
    p.setBrush(Vertical(11.5, 16, QColor(0xFF, 0xD8, 0x4A), QColor(0xE0, 0x9A, 0x00)));
    p.drawRoundedRect(QRectF(9.5, 11.5, 7, 4.5), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6A, 0x4A, 0x00));
    p.drawRect(QRectF(12.5, 12.8, 1, 1.8));
}

void IconSignal(QPainter& p, int filled) { // 1..5 bars lit
    QColor on;
    if (filled == 1)
        on = QColor(0xE0, 0x2A, 0x2A);
    else if (filled <= 3)
        on = QColor(0xF2, 0xB8, 0x0C);
    else
        on = QColor(0x1F, 0x6F, 0xD1);
    const int heights[5] = {3, 5, 8, 11, 14};
    for (int i = 0; i < 5; ++i) {
        const QRectF bar(1 + i * 3, 15 - heights[i], 2, heights[i]);
        if (i < filled) {
            p.fillRect(bar, on);
        } else {
            p.fillRect(bar, QColor(0xC9, 0xD1, 0xDC));
        }
    }
}

QImage TypeIcons() {
    QImage strip = NewImage(16 * 9, 16);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 9; ++i) {
        p.save();
        p.translate(i * 16, 0);
        p.setClipRect(0, 0, 16, 16);
        switch (i) {
        case 0:
            IconAccessPoint(p);
            break;
        case 1:
            IconStation(p);
            break;
        case 2:
            IconAccessPoint(p);
            IconPadlock(p);
            break;
        case 3:
            IconStation(p);
            IconPadlock(p);
            break;
        default:
            IconSignal(p, i - 3);
            break;
        }
        p.restore();
    }
    p.end();
    return strip;
}

QImage SortArrow(bool up) {
    QImage image = NewImage(9, 5);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4A, 0x68, 0x92));
    const QPolygonF triangle = up ? QPolygonF({QPointF(0, 5), QPointF(9, 5), QPointF(4.5, 0)})
                                  : QPolygonF({QPointF(0, 0), QPointF(9, 0), QPointF(4.5, 5)});
    p.drawPolygon(triangle);
    p.end();
    return image;
}

// ---------------------------------------------------------------------------

bool g_Failed = false;

// "" for the pictures of scale 1, "@2x" for their double-resolution twins.
QString g_Suffix;

void WriteJpeg(const QDir& dir, const QString& name, const QImage& image) {
    if (!JpegWriter::Save(image, dir.filePath(name + g_Suffix + ".jpg"))) {
        std::fprintf(stderr, "make_artwork: cannot write %s.jpg\n", qPrintable(name));
        g_Failed = true;
    }
}

void WriteImage(const QDir& dir, QString file, const QImage& image, const char* format) {
    file.insert(file.lastIndexOf(u'.'), g_Suffix);
    if (!image.save(dir.filePath(file), format)) {
        std::fprintf(stderr, "make_artwork: cannot write %s\n", qPrintable(file));
        g_Failed = true;
    }
}

bool LoadFonts() {
    const char* files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                           "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
    for (const char* file : files) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        if (id < 0) {
            std::fprintf(stderr, "make_artwork: font %s missing (package fonts-dejavu-core)\n",
                         file);
            return false;
        }
        g_Family = QFontDatabase::applicationFontFamilies(id).value(0, g_Family);
    }
    return true;
}

void DrawAll(const QDir& dir);

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork <output folder>\n");
        return 2;
    }
    if (!LoadFonts())
        return 1;
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "make_artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    // Every picture at scale 1, then at scale 2 for screens with twice the
    // pixels (the picture store chooses).
    for (int scale : {1, 2}) {
        g_Scale = scale;
        g_Suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
        DrawAll(dir);
    }
    return g_Failed ? 1 : 0;
}

namespace {

void DrawAll(const QDir& dir) {
    const QImage frame = FrameBackground();
    WriteJpeg(dir, "ImgFrameBG", frame);
    WriteJpeg(dir, "ImgBGMain", MainBackground(frame));
    WriteJpeg(dir, "ImgBGProgress", ProgressBackground());
    WriteJpeg(dir, "ImgTutorial", Crop(Tutorial1(frame), kTutorialArea));
    WriteJpeg(dir, "ImgTutorial2", Crop(Tutorial2(frame), kTutorialArea));
    WriteImage(dir, "ImgBtnN.bmp", PageButton(frame, 0), "BMP");
    WriteImage(dir, "ImgBtnH.bmp", PageButton(frame, 1), "BMP");
    WriteImage(dir, "ImgBtnD.bmp", PageButton(frame, 2), "BMP");

    const QImage launcher = LauncherBackground();
    WriteJpeg(dir, "ImgBGAutorun", launcher);
    struct Entry {
        const char* name;
        const char* text;
        Glyph glyph;
    };
    const Entry entries[4] = {{"ImgBtnSetupWizard", "Setup Wizard", GlyphWizard},
                              {"ImgBtnUG", "User's Guide", GlyphBook},
                              {"ImgBtnProductReg", "Product Registration", GlyphRegister},
                              {"ImgBtnExit", "Exit", GlyphPower}};
    for (int i = 0; i < 4; ++i) {
        const QPoint at(kLauncherButtonLeft, kLauncherButtonTop[i]);
        for (bool highlighted : {false, true})
            WriteImage(dir,
                       QString::fromLatin1(entries[i].name) + (highlighted ? "D.bmp" : "N.bmp"),
                       LauncherButton(launcher, at, entries[i].text, entries[i].glyph, highlighted),
                       "BMP");
    }
    const char* subNames[2] = {"ImgBtnUG_UG", "ImgBtnUG_QIG"};
    const char* subTexts[2] = {"User's Guide", "Quick Installation Guide"};
    for (int i = 0; i < 2; ++i)
        for (bool highlighted : {false, true})
            WriteImage(dir, QString::fromLatin1(subNames[i]) + (highlighted ? "D.bmp" : "N.bmp"),
                       SubEntry(launcher, kSubEntry[i], subTexts[i], highlighted), "BMP");

    WriteImage(dir, "ImgIPEnableBG.bmp", AddressBackground(true), "BMP");
    WriteImage(dir, "ImgIPDisableBG.bmp", AddressBackground(false), "BMP");
    WriteImage(dir, "ImgsType.png", TypeIcons(), "PNG");
    WriteImage(dir, "ImgSortInc.png", SortArrow(true), "PNG");
    WriteImage(dir, "ImgSortDec.png", SortArrow(false), "PNG");
}

} // namespace
