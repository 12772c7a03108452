#include "ZvDesktopCapture.h"

#include <QColor>
#include <QDebug>
#include <QPainter>
#include <QSysInfo>

// Xlib after Qt: its macros (None, Bool, KeyPress, ...) break Qt's headers.
#include "ZvXlibPtr.h"
#include <X11/Xutil.h>

namespace {

struct ZvXImageFree {
    void operator()(XImage* i) const { XDestroyImage(i); }
};
using ZvXImagePtr = std::unique_ptr<XImage, ZvXImageFree>;

// One colour channel of a TrueColor pixel scaled to 0..255, whatever the width of its mask.
int channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctzl(mask);
    const unsigned long max = mask >> shift;
    return int(((pixel & mask) >> shift) * 255 / max);
}

// The XImage as a QImage. The common 24-bit visual with 32-bit pixels in host order is wrapped
// and copied once; anything else goes pixel by pixel, which is slow but only seen on unusual
// servers.
QImage to_qimage(XImage* x) {
    const bool hostOrder =
        x->byte_order == (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst);
    if (x->bits_per_pixel == 32 && hostOrder && x->red_mask == 0xff0000 &&
        x->green_mask == 0xff00 && x->blue_mask == 0xff)
        return QImage(reinterpret_cast<const uchar*>(x->data), x->width, x->height,
                      x->bytes_per_line, QImage::Format_RGB32)
            .copy();
    QImage out(x->width, x->height, QImage::Format_RGB32);
    for (int y = 0; y < x->height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int i = 0; i < x->width; ++i) {
            const unsigned long p = XGetPixel(x, i, y);
            line[i] =
                qRgb(channel(p, x->red_mask), channel(p, x->green_mask), channel(p, x->blue_mask));
        }
    }
    return out;
}

} // namespace

QImage zv_capture_desktop(const QRect& desktop, const QVector<QRect>& screens) {
    if (desktop.isEmpty())
        return QImage();
    QImage picture(desktop.size(), QImage::Format_RGB32);
    picture.fill(QColor(kZvDesktopGrey, kZvDesktopGrey, kZvDesktopGrey));
    ZvDisplayPtr d = zv_open_display();
    if (!d)
        return picture;
    const Window root = DefaultRootWindow(d.get());
    XWindowAttributes attr;
    if (!XGetWindowAttributes(d.get(), root, &attr)) {
        qWarning("desktop capture: cannot read the root window");
        return picture;
    }
    // XGetImage outside the root window is a protocol error, which Xlib's default handler
    // answers by ending the process: only the part of each monitor on the X screen is read.
    const QRect rootRect(0, 0, attr.width, attr.height);
    QPainter painter(&picture);
    for (const QRect& screen : screens) {
        const QRect part = screen & rootRect;
        if (part.isEmpty())
            continue;
        ZvXImagePtr image(XGetImage(d.get(), root, part.x(), part.y(), unsigned(part.width()),
                                    unsigned(part.height()), AllPlanes, ZPixmap));
        if (!image) {
            qWarning() << "desktop capture: cannot read the screen" << part;
            continue;
        }
        painter.drawImage(part.topLeft() - desktop.topLeft(), to_qimage(image.get()));
    }
    return picture;
}
