#pragma once
#include <QImage>
#include <QPixmap>

// Pixels of exactly this colour: lines are drawn without antialiasing, so a
// subset's colour on the image means its line was drawn.
inline int CountColour(const QPixmap& pixmap, QColor colour)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = colour.rgb();
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += (line[x] & 0xFFFFFF) == (wanted & 0xFFFFFF) ? 1 : 0;
    }
    return n;
}
