#include "ZvRandrWatch.h"

#include <QDebug>
#include <QSocketNotifier>

// Xlib after Qt: its macros (None, Bool, KeyPress, ...) break Qt's headers.
#include "ZvXlibPtr.h"

void ZvRandrWatch::DisplayCloser::operator()(_XDisplay* d) const {
    XCloseDisplay(d);
}

ZvRandrWatch::ZvRandrWatch(QObject* parent) : QObject(parent) {
    ZvDisplayPtr d = zv_open_display();
    if (!d) {
        qWarning("screen watch: no X display; monitor changes are seen through Qt only");
        return;
    }
    const Window root = DefaultRootWindow(d.get());
    // The core query first: libXrandr's own one leaks its per-display record on a server
    // without the extension.
    int opcode = 0, eventBase = 0, errorBase = 0;
    if (XQueryExtension(d.get(), "RANDR", &opcode, &eventBase, &errorBase) &&
        XRRQueryExtension(d.get(), &eventBase, &errorBase)) {
        _randrEventBase = eventBase;
        XRRSelectInput(d.get(), root,
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask |
                           RROutputChangeNotifyMask);
    } else {
        qWarning("screen watch: the X server has no RandR; only the root window's size is seen");
    }
    XSelectInput(d.get(), root, StructureNotifyMask);
    XFlush(d.get());
    _display.reset(d.release());
    _notifier =
        std::make_unique<QSocketNotifier>(ConnectionNumber(_display.get()), QSocketNotifier::Read);
    connect(_notifier.get(), &QSocketNotifier::activated, this, &ZvRandrWatch::readEvents);
    // Xlib may already hold events that it read while flushing: the socket would not wake us.
    readEvents();
}

ZvRandrWatch::~ZvRandrWatch() {
    // The notifier goes before the connection whose descriptor it watches.
    _notifier.reset();
}

void ZvRandrWatch::readEvents() {
    Display* d = _display.get();
    bool any = false;
    // XPending reads what the socket holds; every queued event is taken, or a later one would
    // wait for the next wake-up.
    while (XPending(d) > 0) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (_randrEventBase >= 0 && ev.type == _randrEventBase + RRScreenChangeNotify) {
            XRRUpdateConfiguration(&ev);
            any = true;
        } else if (_randrEventBase >= 0 && ev.type == _randrEventBase + RRNotify) {
            any = true;
        } else if (ev.type == ConfigureNotify) {
            any = true;
        }
    }
    if (any)
        emit changed();
}
