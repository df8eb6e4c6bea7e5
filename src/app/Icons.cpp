#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace app {

namespace {

// Every picture is drawn on a 24 x 24 grid and scaled to the size asked for.
using Drawing = std::function<void(QPainter&)>;

QIcon Draw(const Drawing& drawing) {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 24.0, size / 24.0);
        drawing(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kOutline(60, 60, 70);
const QColor kFolder(240, 196, 80);
const QColor kPaper(250, 250, 250);
const QColor kBlue(50, 110, 200);
const QColor kRed(200, 50, 50);
const QColor kGreen(40, 150, 70);

void Folder(QPainter& p, bool open) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kFolder.darker(110));
    QPainterPath back;
    back.moveTo(2.5, 6);
    back.lineTo(9, 6);
    back.lineTo(11, 8);
    back.lineTo(20.5, 8);
    back.lineTo(20.5, 19.5);
    back.lineTo(2.5, 19.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kFolder);
    if (open) {
        p.drawPolygon(QPolygonF({{2.5, 19.5}, {6, 11}, {23, 11}, {19.5, 19.5}}));
    } else {
        p.drawRect(QRectF(2.5, 10, 18, 9.5));
    }
}

void Paper(QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{5, 2.5}, {15, 2.5}, {19.5, 7}, {19.5, 21.5}, {5, 21.5}}));
    p.drawPolyline(QPolygonF({{15, 2.5}, {15, 7}, {19.5, 7}}));
}

void Cube(QPainter& p, QRectF box) {
    const double w = box.width();
    const double d = w * 0.3;
    const QPointF o = box.topLeft();
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kBlue.lighter(150));
    p.drawPolygon(QPolygonF({o + QPointF(d, 0), o + QPointF(w, 0), o + QPointF(w - d, d), o + QPointF(0, d)}));
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({o + QPointF(w, 0), o + QPointF(w, w - d), o + QPointF(w - d, w), o + QPointF(w - d, d)}));
    p.setBrush(kBlue.lighter(120));
    p.drawRect(QRectF(o + QPointF(0, d), QSizeF(w - d, w - d)));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF along = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF across(-along.y(), along.x());
    p.drawPolyline(QPolygonF({to - along * 4 + across * 4, to, to - along * 4 - across * 4}));
}

void OpenFile(QPainter& p) {
    Folder(p, true);
    Arrow(p, {17, 9}, {17, 2}, kGreen);
}

void CloseFile(QPainter& p) {
    Paper(p);
    p.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 11), QPointF(16, 19));
    p.drawLine(QPointF(16, 11), QPointF(8, 19));
}

void SaveFile(QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({{3, 3}, {18, 3}, {21, 6}, {21, 21}, {3, 21}}));
    p.setBrush(kPaper);
    p.drawRect(QRectF(6, 3, 11, 7));
    p.setBrush(QColor(220, 220, 230));
    p.drawRect(QRectF(6, 13, 12, 8));
    p.setPen(QPen(kOutline, 1));
    p.drawLine(QPointF(14, 4.5), QPointF(14, 8.5));
}

void ShowObject(QPainter& p) {
    Cube(p, QRectF(4, 4, 16, 16));
}

void Disconnect(QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(190, 190, 200));
    p.drawRoundedRect(QRectF(1.5, 8, 7, 8), 1.5, 1.5);
    p.drawRoundedRect(QRectF(15.5, 8, 7, 8), 1.5, 1.5);
    p.setPen(QPen(kOutline, 1.6));
    p.drawLine(QPointF(8.5, 10.5), QPointF(11, 10.5));
    p.drawLine(QPointF(8.5, 13.5), QPointF(11, 13.5));
    p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 4), QPointF(14, 20));
}

void UpFolder(QPainter& p) {
    Folder(p, false);
    Arrow(p, {11.5, 18}, {11.5, 9}, kGreen.darker(120));
}

void ModelFile(QPainter& p, const QColor& mark) {
    Paper(p);
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawRect(QRectF(7, 14, 10, 5));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(8, 8, 5, 4));
}

}  // namespace

QIcon ToolIcon(int index) {
    static const Drawing drawings[] = {OpenFile, CloseFile, SaveFile, ShowObject, Disconnect, UpFolder};
    return Draw(drawings[index]);
}

QIcon PageIcon() { return Draw([](QPainter& p) { Cube(p, QRectF(2, 2, 20, 20)); }); }

QIcon GridIcon(int index) {
    switch (index) {
    case 0:
        return Draw([](QPainter& p) { Folder(p, false); });
    case 1:
        return Draw([](QPainter& p) { Folder(p, true); });
    case 2:
        return Draw([](QPainter& p) { ModelFile(p, kBlue); });
    case 3:
        return Draw([](QPainter& p) { ModelFile(p, kGreen); });
    default:
        return Draw(Paper);
    }
}

}  // namespace app
