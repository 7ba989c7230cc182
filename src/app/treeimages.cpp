#include "app/treeimages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <map>

namespace {

constexpr int kSize = 24;

void Gauge(QPainter& p)
{
    p.setPen(QPen(QColor(30, 90, 170), 2));
    p.setBrush(QColor(225, 238, 252));
    p.drawEllipse(QRectF(2, 2, 20, 20));
    p.setPen(QPen(QColor(30, 90, 170), 1.5));
    for (int i = 0; i <= 4; ++i) {
        const double a = M_PI * (1.0 + i / 4.0);
        p.drawLine(QPointF(12 + 7 * std::cos(a), 13 + 7 * std::sin(a)),
                   QPointF(12 + 9 * std::cos(a), 13 + 9 * std::sin(a)));
    }
    p.setPen(QPen(QColor(200, 40, 30), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 13), QPointF(17, 7));
    p.setBrush(QColor(200, 40, 30));
    p.drawEllipse(QPointF(12, 13), 1.5, 1.5);
}

void Archive(QPainter& p)
{
    p.setPen(QPen(QColor(120, 80, 30), 1.5));
    p.setBrush(QColor(230, 190, 120));
    p.drawRect(QRectF(3, 4, 18, 6));
    p.drawRect(QRectF(4, 10, 16, 11));
    p.drawLine(QPointF(9, 14), QPointF(15, 14));
}

void Drop(QPainter& p)
{
    QPainterPath path;
    path.moveTo(12, 2);
    path.cubicTo(12, 2, 4, 12, 4, 15);
    path.cubicTo(4, 20, 8, 22, 12, 22);
    path.cubicTo(16, 22, 20, 20, 20, 15);
    path.cubicTo(20, 12, 12, 2, 12, 2);
    p.setPen(QPen(QColor(0, 110, 140), 1.5));
    p.setBrush(QColor(80, 180, 220));
    p.drawPath(path);
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7, 12, 8, 8), 180 * 16, 70 * 16);
}

void Journal(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(QRectF(5, 2, 14, 20));
    p.setBrush(QColor(90, 110, 160));
    p.drawRect(QRectF(5, 2, 3, 20));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (int y = 7; y <= 17; y += 4)
        p.drawLine(QPointF(10, y), QPointF(17, y));
}

void Gear(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 80), 1.5));
    p.setBrush(QColor(170, 175, 185));
    QPainterPath path;
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8.0;
        const double r = i % 2 == 0 ? 10.5 : 7.5;
        const QPointF pt(12 + r * std::cos(a), 12 + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    p.drawPath(path);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 12), 3, 3);
}

void Sliders(QPainter& p)
{
    p.setPen(QPen(QColor(80, 80, 80), 1.5));
    for (int x : {6, 12, 18})
        p.drawLine(QPointF(x, 3), QPointF(x, 21));
    p.setBrush(QColor(60, 150, 80));
    p.drawRect(QRectF(3, 13, 6, 4));
    p.drawRect(QRectF(9, 6, 6, 4));
    p.drawRect(QRectF(15, 15, 6, 4));
}

void Scale(QPainter& p)
{
    p.setPen(QPen(QColor(130, 90, 20), 1.5));
    p.setBrush(QColor(245, 215, 110));
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.drawRect(QRectF(-11, -4, 22, 8));
    for (int i = -8; i <= 8; i += 4)
        p.drawLine(QPointF(i, -4), QPointF(i, i % 8 == 0 ? 1 : -1));
    p.restore();
}

void Pulses(QPainter& p)
{
    p.setPen(QPen(QColor(150, 40, 150), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QPointF wave[] = {{2, 18},  {5, 18}, {5, 6},  {10, 6},  {10, 18},
                            {14, 18}, {14, 6}, {19, 6}, {19, 18}, {22, 18}};
    p.drawPolyline(wave, int(std::size(wave)));
}

} // namespace

QIcon TreeImage(int index)
{
    static std::map<int, QIcon> cache;
    if (auto it = cache.find(index); it != cache.end())
        return it->second;
    void (*draw)(QPainter&) = nullptr;
    switch (index) {
    case 1:
        draw = Gauge;
        break;
    case 2:
        draw = Archive;
        break;
    case 3:
        draw = Drop;
        break;
    case 4:
        draw = Journal;
        break;
    case 5:
        draw = Gear;
        break;
    case 8:
        draw = Sliders;
        break;
    case 9:
        draw = Scale;
        break;
    case 16:
        draw = Pulses;
        break;
    default:
        return {};
    }
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return cache[index] = QIcon(pixmap);
}
