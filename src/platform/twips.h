#pragma once

#include <QPoint>
#include <QRect>

// Window layouts are given in twips (1/1440 inch). At 96 dpi fifteen twips
// make one pixel; Qt's device-independent pixels take care of high-DPI
// screens, so this is the only place a layout is turned into pixels.
namespace platform {

constexpr int TwipsPerPixel = 15;

constexpr int px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

// Left, top, width, height in twips.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

constexpr QRect toPixels(const TwipsRect& r)
{
    return QRect(px(r.left), px(r.top), px(r.width), px(r.height));
}

constexpr QPoint toPixels(int xTwips, int yTwips)
{
    return QPoint(px(xTwips), px(yTwips));
}

} // namespace platform
