// Writes the program's icon for the desktop's icon theme, from the very
// drawing its windows show (artwork::programIcon(), 32 x 32 pixels):
//   make_icons OUT   ->  OUT/<n>x<n>/apps/<id>.png for each theme size,
//                        OUT/scalable/apps/<id>.svg
#include "main_window/artwork.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

const QString Id = QStringLiteral(PELMORA_APP_ID);
constexpr int Drawn = 32;

// The drawing is pixel art: whole multiples keep every pixel square; the
// other sizes are taken down from a large square-pixel copy, so each pixel
// of the result averages what it covers.
QImage atSize(const QImage& icon, int size) {
    if (size % Drawn == 0)
        return icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const int large = Drawn * 8;
    return icon.scaled(large, large, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// One rectangle per run of equal pixels in a row: the same picture at any size.
QString svgOf(const QImage& icon) {
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 "
        << icon.width() << ' ' << icon.height() << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width();) {
            const QRgb pixel = icon.pixel(x, y);
            int end = x + 1;
            while (end < icon.width() && icon.pixel(end, y) == pixel)
                ++end;
            if (qAlpha(pixel) > 0) {
                out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << end - x
                    << "\" height=\"1\" fill=\"" << QColor(pixel).name() << '"';
                if (qAlpha(pixel) < 255)
                    out << " fill-opacity=\"" << qAlpha(pixel) / 255.0 << '"';
                out << "/>\n";
            }
            x = end;
        }
    }
    out << "</svg>\n";
    return svg;
}

bool save(const QString& folder, const QString& file,
          const std::function<bool(const QString&)>& write) {
    if (!QDir().mkpath(folder) || !write(folder + QLatin1Char('/') + file)) {
        std::fprintf(stderr, "make_icons: cannot write %s/%s\n", qPrintable(folder),
                     qPrintable(file));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv); // the drawing is a QPixmap
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons OUT\n");
        return 2;
    }
    const QString out = QFile::decodeName(argv[1]);
    const QImage icon = artwork::programIcon().toImage().convertToFormat(QImage::Format_ARGB32);

    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage image = atSize(icon, size);
        ok &= save(QStringLiteral("%1/%2x%2/apps").arg(out).arg(size), Id + QLatin1String(".png"),
                   [&](const QString& path) { return image.save(path, "PNG"); });
    }
    ok &= save(out + QLatin1String("/scalable/apps"), Id + QLatin1String(".svg"),
               [&](const QString& path) {
                   QFile f(path);
                   return f.open(QIODevice::WriteOnly) && f.write(svgOf(icon).toUtf8()) > 0;
               });
    return ok ? 0 : 1;
}
