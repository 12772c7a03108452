// Build tool: renders the program's SVG icon into the PNGs the tray and the window use.
//   zvsvgtopng <in.svg> <out.png> <size> [--disconnected]
// The disconnected variant is the same picture in grey at half strength, so that a glance at the
// tray tells whether a tablet is there.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <stdio.h>
#include <string.h>

namespace {

void greyOut(QImage* image) {
    for (int y = 0; y < image->height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            const QRgb p = line[x];
            // Premultiplied: scaling every channel by the same factor keeps it valid.
            const int grey = qGray(p) / 2;
            const int alpha = qAlpha(p) / 2;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4 || argc > 5 || (argc == 5 && strcmp(argv[4], "--disconnected") != 0)) {
        fprintf(stderr, "usage: %s <in.svg> <out.png> <size> [--disconnected]\n", argv[0]);
        return 2;
    }
    // No window is shown; the offscreen platform needs no display at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int size = atoi(argv[3]);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid() || size < 1 || size > 1024) {
        fprintf(stderr, "%s: cannot render %s at size %s\n", argv[0], argv[1], argv[3]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        svg.render(&painter);
    }
    if (argc == 5)
        greyOut(&image);
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
