#include "main_window/artwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace artwork {

namespace {

// The sixteen-colour palette the small pictures keep to.
const QColor Black(0x00, 0x00, 0x00);
const QColor Navy(0x00, 0x00, 0x80);
const QColor DarkYellow(0x80, 0x80, 0x00);
const QColor Gray(0x80, 0x80, 0x80);
const QColor Silver(0xc0, 0xc0, 0xc0);
const QColor Yellow(0xff, 0xff, 0x00);
const QColor White(0xff, 0xff, 0xff);

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Outlines and fills by whole pixels, with no smoothing, so the small
// pictures stay crisp: a rectangle given as left, top, right, bottom.
void box(QPainter& p, int left, int top, int right, int bottom, const QColor& fill,
         const QColor& edge) {
    p.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), edge);
    p.fillRect(QRect(QPoint(left + 1, top + 1), QPoint(right - 1, bottom - 1)), fill);
}

void line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& colour) {
    p.setPen(colour);
    p.drawLine(x1, y1, x2, y2);
}

// A sheet of paper with its top right corner turned down and a few lines
// of text; fold is the size of the turned corner.
void page(QPainter& p, int left, int top, int right, int bottom, int fold, int firstLine,
          int lineStep) {
    const QPolygon outline({QPoint(left, top), QPoint(right - fold, top), QPoint(right, top + fold),
                            QPoint(right, bottom), QPoint(left, bottom)});
    p.setPen(Black);
    p.setBrush(White);
    p.drawPolygon(outline);
    const QPolygon corner(
        {QPoint(right - fold, top), QPoint(right - fold, top + fold), QPoint(right, top + fold)});
    p.setBrush(Silver);
    p.drawPolygon(corner);
    p.setBrush(Qt::NoBrush);
    for (int y = top + firstLine; y < bottom - 1; y += lineStep)
        line(p, left + 2, y, right - 2 - (y < top + fold + 1 ? fold : 0), y, Navy);
}

// A closed folder with its tab on the upper left.
void folder(QPainter& p, int left, int top, int right, int bottom) {
    const int tabRight = left + (right - left) / 2 - 1;
    box(p, left, top - 2, tabRight, top, Yellow, DarkYellow);
    box(p, left, top, right, bottom, Yellow, DarkYellow);
    line(p, left + 1, top + 1, right - 1, top + 1, White);
}

// A small arrow pointing right, its tip at (x, y).
void arrowRight(QPainter& p, int fromX, int x, int y, const QColor& colour) {
    line(p, fromX, y, x, y, colour);
    line(p, x - 2, y - 2, x, y, colour);
    line(p, x - 2, y + 2, x, y, colour);
}

} // namespace

QPixmap programIcon() {
    QPixmap pixmap = blank(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);

    page(p, 1, 8, 12, 24, 3, 4, 2);

    // One document, one trunk, three branches: every file into every folder.
    line(p, 13, 16, 15, 16, Navy);
    line(p, 15, 6, 15, 26, Navy);
    for (int y : {6, 16, 26})
        arrowRight(p, 15, 19, y, Navy);

    folder(p, 20, 3, 30, 10);
    folder(p, 20, 13, 30, 20);
    folder(p, 20, 23, 30, 30);
    return pixmap;
}

QIcon windowIcon() {
    return QIcon(programIcon());
}

QPixmap filesGlyph() {
    QPixmap pixmap = blank(16, 16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    page(p, 5, 0, 14, 11, 2, 3, 2);
    page(p, 1, 4, 10, 15, 2, 4, 2);
    return pixmap;
}

QPixmap folderGlyph() {
    QPixmap pixmap = blank(16, 16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    folder(p, 1, 4, 14, 13);
    return pixmap;
}

QPixmap makerLogo() {
    constexpr int Width = 108;
    constexpr int Height = 36;
    const QColor ink(0x1c, 0x2f, 0x6b);
    const QColor accent(0xe0, 0x6c, 0x12);

    QPixmap pixmap = blank(Width, Height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // The "O" is a ring with a dot at its heart; the rest of the name is set
    // in bold type beside it, underlined by a bar in the ring's colour.
    const QPointF centre(15.5, 16.5);
    p.setPen(QPen(accent, 4.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 11.0, 11.0);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(centre, 3.5, 3.5);

    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setStretch(QFont::Unstretched);
    const int textLeft = 30;
    const int room = Width - textLeft - 2;
    const QString rest = QStringLiteral("rvane");
    int size = 26;
    for (; size > 10; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(rest) <= room)
            break;
    }
    QPainterPath word;
    word.addText(textLeft, 27, font, rest);
    p.setBrush(ink);
    p.drawPath(word);

    p.setBrush(accent);
    p.drawRoundedRect(QRectF(textLeft, 30, Width - textLeft - 3, 3), 1.5, 1.5);
    return pixmap;
}

} // namespace artwork
