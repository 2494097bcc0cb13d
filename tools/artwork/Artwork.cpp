#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

const char* kLatinFont = "DejaVu Sans";
const char* kChineseFont = "Noto Sans CJK TC";

// Deterministic pseudo-random numbers, so every build paints the same pictures.
class Random {
  public:
    explicit Random(quint32 seed) : state_(seed ? seed : 1) {}
    double Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return (state_ & 0xFFFFFF) / double(0x1000000);
    }

  private:
    quint32 state_;
};

// A whorl print: rings around a core that drift downwards as they grow, with a slight wave and
// a few ridge endings, cut to the oval of a finger tip.
void DrawFingerprint(QPainter& p, const QRectF& box, const QPen& ridgePen, quint32 seed) {
    Random random(seed);
    QPainterPath tip;
    tip.addEllipse(box);
    p.save();
    p.setClipPath(tip, Qt::IntersectClip);
    p.setPen(ridgePen);
    p.setBrush(Qt::NoBrush);
    const QPointF core(box.center().x(), box.top() + box.height() * 0.42);
    const double spacing = box.width() / 17.0;
    const int rings = int(box.height() / spacing) + 4;
    for (int ring = 0; ring < rings; ++ring) {
        const double base = spacing * (ring + 0.7);
        const QPointF centre(core.x() + ring * 0.35, core.y() + ring * spacing * 0.18);
        const double gapAt = random.Next() * 2 * M_PI;
        const double gapLength = ring > 2 ? 0.10 + random.Next() * 0.22 : 0.0;
        const double secondGap = random.Next() * 2 * M_PI;
        QPainterPath ridge;
        bool drawing = false;
        const int steps = 180;
        for (int k = 0; k <= steps; ++k) {
            const double theta = 2 * M_PI * k / steps;
            const bool inGap =
                (std::fmod(theta - gapAt + 4 * M_PI, 2 * M_PI) < gapLength) ||
                (ring > 6 && std::fmod(theta - secondGap + 4 * M_PI, 2 * M_PI) < gapLength * 0.6);
            const double wave =
                1.0 + 0.05 * std::sin(2 * theta + ring * 0.45) + 0.03 * std::sin(5 * theta + ring);
            const QPointF point(centre.x() + base * 0.80 * wave * std::cos(theta),
                                centre.y() - base * 1.05 * wave * std::sin(theta));
            if (inGap) {
                drawing = false;
                continue;
            }
            if (!drawing) {
                ridge.moveTo(point);
                drawing = true;
            } else {
                ridge.lineTo(point);
            }
        }
        p.drawPath(ridge);
    }
    p.restore();
}

QFont Font(const char* family, int pixelSize, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& colour) {
    p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QLineF line(from, to);
    const QLineF shaft(from, line.pointAt(qMax(0.0, 1.0 - 12.0 / line.length())));
    p.drawLine(shaft);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    QPolygonF head;
    head << to << to - QPointF(14 * std::cos(angle - 0.45), 14 * std::sin(angle - 0.45))
         << to - QPointF(14 * std::cos(angle + 0.45), 14 * std::sin(angle + 0.45));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void Plate(QPainter& p, const QRectF& rect, const QColor& tint) {
    p.setPen(QPen(QColor(45, 106, 159, 110), 1.5));
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, QColor(255, 255, 255, 150));
    fill.setColorAt(1, tint);
    p.setBrush(fill);
    p.drawRoundedRect(rect, 14, 14);
}

void Gear(QPainter& p, const QPointF& c, double r, const QColor& colour) {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = M_PI * i / teeth;
        const double a1 = M_PI * (i + 1) / teeth;
        const double radius = i % 2 ? r * 0.78 : r;
        const QPointF p0(c.x() + radius * std::cos(a0), c.y() + radius * std::sin(a0));
        const QPointF p1(c.x() + radius * std::cos(a1), c.y() + radius * std::sin(a1));
        if (i == 0) gear.moveTo(p0);
        gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    gear.addEllipse(c, r * 0.32, r * 0.32);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(gear);
}

void Person(QPainter& p, const QPointF& c, double s, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(c.x(), c.y() - s * 0.55), s * 0.32, s * 0.32);
    QPainterPath body;
    body.moveTo(c.x() - s * 0.62, c.y() + s * 0.75);
    body.quadTo(c.x() - s * 0.62, c.y() - s * 0.12, c.x(), c.y() - s * 0.12);
    body.quadTo(c.x() + s * 0.62, c.y() - s * 0.12, c.x() + s * 0.62, c.y() + s * 0.75);
    body.closeSubpath();
    p.drawPath(body);
}

void Reader(QPainter& p, const QPointF& c, double s, const QColor& colour) {
    const QRectF body(c.x() - s * 0.45, c.y() - s * 0.75, s * 0.9, s * 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(body, s * 0.12, s * 0.12);
    p.setBrush(QColor(230, 242, 252));
    const QRectF window(body.left() + s * 0.12, body.top() + s * 0.14, body.width() - s * 0.24,
                        s * 0.38);
    p.drawRoundedRect(window, 3, 3);
    DrawFingerprint(p, QRectF(c.x() - s * 0.24, c.y() + s * 0.02, s * 0.48, s * 0.62),
                    QPen(QColor(230, 242, 252), qMax(1.0, s / 40)), 7);
}

}  // namespace

QImage PaintLogo() {
    const int w = 646, h = 435;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(8, 28, 56));
    sky.setColorAt(0.55, QColor(16, 52, 96));
    sky.setColorAt(1, QColor(27, 84, 140));
    p.fillRect(image.rect(), sky);

    // Fine circuit lines behind everything.
    Random random(11);
    p.setPen(QPen(QColor(120, 190, 255, 28), 1));
    for (int i = 0; i < 26; ++i) {
        const double y = 20 + random.Next() * (h - 40);
        const double x0 = random.Next() * w * 0.5 + w * 0.35;
        const double x1 = qMin(double(w), x0 + 60 + random.Next() * 180);
        p.drawLine(QPointF(x0, y), QPointF(x1, y));
        p.drawEllipse(QPointF(x1, y), 2.5, 2.5);
    }

    // The print with its glow and the scanning light.
    const QPointF centre(186, 206);
    QRadialGradient glow(centre, 170);
    glow.setColorAt(0, QColor(90, 180, 255, 90));
    glow.setColorAt(1, QColor(90, 180, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, 170, 170);
    p.setBrush(QColor(6, 22, 44, 160));
    p.setPen(QPen(QColor(120, 200, 255, 120), 2));
    p.drawEllipse(centre, 132, 132);
    DrawFingerprint(p, QRectF(centre.x() - 82, centre.y() - 108, 164, 216),
                    QPen(QColor(130, 210, 255), 3.0, Qt::SolidLine, Qt::RoundCap), 3);
    QLinearGradient scan(0, centre.y() + 12, 0, centre.y() + 40);
    scan.setColorAt(0, QColor(160, 255, 255, 0));
    scan.setColorAt(0.5, QColor(160, 255, 255, 150));
    scan.setColorAt(1, QColor(160, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(scan);
    p.drawRect(QRectF(centre.x() - 120, centre.y() + 12, 240, 28));

    // The name.
    const double textLeft = 344;
    p.setPen(Qt::white);
    p.setFont(Font(kLatinFont, 70, true));
    p.drawText(QRectF(textLeft, 92, 290, 86), Qt::AlignLeft | Qt::AlignVCenter, "CVBIO");
    p.setPen(QColor(150, 215, 255));
    p.setFont(Font(kChineseFont, 30, true));
    p.drawText(QRectF(textLeft + 2, 182, 290, 42), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("指紋管理系統"));
    p.setPen(QColor(220, 235, 250));
    p.setFont(Font(kLatinFont, 17));
    p.drawText(QRectF(textLeft + 2, 226, 290, 28), Qt::AlignLeft | Qt::AlignVCenter,
               "Fingerprint Management System");
    QLinearGradient rule(textLeft, 0, textLeft + 280, 0);
    rule.setColorAt(0, QColor(240, 160, 32));
    rule.setColorAt(1, QColor(240, 160, 32, 0));
    p.fillRect(QRectF(textLeft + 2, 266, 280, 3), rule);
    p.setPen(QColor(185, 205, 225));
    p.setFont(Font(kLatinFont, 14));
    p.drawText(QRectF(textLeft + 2, 278, 290, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "Card and fingerprint access control");

    // Footer band.
    p.fillRect(QRectF(0, h - 40, w, 40), QColor(4, 16, 34, 190));
    p.setPen(QColor(160, 185, 210));
    p.setFont(Font(kLatinFont, 12));
    p.drawText(
        QRectF(20, h - 40, w - 40, 40), Qt::AlignLeft | Qt::AlignVCenter,
        "CVT80 readers  \u00b7  optical sensor enrolment  \u00b7  SQLite, SQL Server, MySQL");
    p.drawText(QRectF(20, h - 40, w - 40, 40), Qt::AlignRight | Qt::AlignVCenter, "Version 1.0");
    return image;
}

QImage PaintFlowSource() {
    const int w = 672, h = 549;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient paper(0, 0, 0, h);
    paper.setColorAt(0, QColor(236, 243, 250));
    paper.setColorAt(1, QColor(206, 223, 239));
    p.fillRect(image.rect(), paper);

    // A faint print in a corner and a dotted texture.
    p.setOpacity(0.10);
    DrawFingerprint(p, QRectF(-60, 300, 260, 330), QPen(QColor(20, 70, 130), 5), 5);
    DrawFingerprint(p, QRectF(520, 60, 200, 250), QPen(QColor(20, 70, 130), 4), 9);
    p.setOpacity(1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 106, 159, 22));
    for (int y = 76; y < h; y += 18)
        for (int x = (y / 18) % 2 ? 9 : 0; x < w; x += 18) p.drawEllipse(QPointF(x, y), 1.2, 1.2);

    // Title band under the title label (126,22 421 x 31).
    QLinearGradient band(0, 0, w, 0);
    band.setColorAt(0, QColor(16, 52, 96));
    band.setColorAt(0.5, QColor(29, 92, 150));
    band.setColorAt(1, QColor(16, 52, 96));
    p.fillRect(QRectF(0, 0, w, 62), band);
    p.fillRect(QRectF(0, 62, w, 3), QColor(240, 160, 32));

    const QColor flow(45, 106, 159);
    // Plates behind the button groups (buttons are 180 x 45).
    Plate(p, QRectF(225, 66, 212, 170), QColor(203, 222, 241, 190));   // settings
    Plate(p, QRectF(118, 274, 210, 152), QColor(214, 234, 222, 190));  // holders, fingerprints
    Plate(p, QRectF(325, 274, 210, 152), QColor(226, 222, 241, 190));  // readers
    Plate(p, QRectF(221, 467, 210, 70), QColor(241, 226, 206, 190));   // transfer

    // The flow: settings feed both columns, both columns meet in the transfer.
    p.setPen(QPen(flow, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(331, 236), QPointF(331, 252));
    p.drawLine(QPointF(223, 252), QPointF(430, 252));
    Arrow(p, QPointF(223, 252), QPointF(223, 284), flow);
    Arrow(p, QPointF(430, 252), QPointF(430, 284), flow);
    Arrow(p, QPointF(223, 333), QPointF(223, 366), flow);
    Arrow(p, QPointF(430, 333), QPointF(430, 367), flow);
    p.setPen(QPen(flow, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(222, 415), QPointF(222, 446));
    p.drawLine(QPointF(430, 416), QPointF(430, 446));
    p.drawLine(QPointF(222, 446), QPointF(430, 446));
    Arrow(p, QPointF(326, 446), QPointF(326, 477), flow);

    // Pictures beside the groups.
    Gear(p, QPointF(176, 132), 30, QColor(45, 106, 159, 170));
    Gear(p, QPointF(200, 176), 18, QColor(45, 106, 159, 130));
    Person(p, QPointF(72, 350), 54, QColor(46, 139, 87, 170));
    Reader(p, QPointF(594, 350), 60, QColor(98, 84, 160, 190));
    // Transfer: a computer sending to a reader.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 100, 40, 170));
    p.drawRoundedRect(QRectF(466, 486, 46, 32), 4, 4);
    p.drawRect(QRectF(484, 518, 10, 7));
    p.drawRoundedRect(QRectF(472, 524, 34, 5), 2, 2);
    Arrow(p, QPointF(518, 502), QPointF(552, 502), QColor(150, 100, 40, 200));
    Reader(p, QPointF(572, 502), 30, QColor(150, 100, 40, 170));
    return image;
}

QImage PaintNoFingerPhoto() {
    const int w = 280, h = 320;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient paper(0, 0, 0, h);
    paper.setColorAt(0, QColor(246, 247, 249));
    paper.setColorAt(1, QColor(228, 232, 237));
    p.fillRect(image.rect(), paper);
    DrawFingerprint(p, QRectF(40, 24, 200, 272),
                    QPen(QColor(168, 178, 190), 4.0, Qt::SolidLine, Qt::RoundCap), 21);

    // A camera struck through: the template is there, its photo is not.
    const QPointF c(w / 2.0, h / 2.0 + 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(c, 62, 62);
    p.setBrush(QColor(70, 90, 115));
    p.drawRoundedRect(QRectF(c.x() - 40, c.y() - 22, 80, 52), 8, 8);
    p.drawRoundedRect(QRectF(c.x() - 16, c.y() - 32, 32, 14), 4, 4);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(c.x(), c.y() + 4), 17, 17);
    p.setBrush(QColor(70, 90, 115));
    p.drawEllipse(QPointF(c.x(), c.y() + 4), 10, 10);
    p.setPen(QPen(QColor(200, 50, 45), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - 44, c.y() + 44), QPointF(c.x() + 44, c.y() - 44));
    return image;
}
