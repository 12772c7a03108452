// Monitor changes as the X server announces them, on a display connection of our own read
// through a socket notifier on the GUI thread. Qt's screen signals follow the outputs only; a
// monitor list changed with RandR 1.5 (what the core numbers) reaches clients only as a
// ConfigureNotify of the root window, so both that and the RandR events are watched.
#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;
struct _XDisplay;

class ZvRandrWatch : public QObject {
    Q_OBJECT
public:
    // Starts watching the default display ($DISPLAY). Without one, or on a server without
    // RandR, watching() is false (logged once) and changed() only follows the root window's
    // size.
    explicit ZvRandrWatch(QObject* parent = nullptr);
    ~ZvRandrWatch() override;

    bool watching() const { return _display != nullptr; }

signals:
    // One per batch of events read: the caller debounces.
    void changed();

private:
    void readEvents();

    struct DisplayCloser {
        void operator()(_XDisplay* d) const;
    };
    std::unique_ptr<_XDisplay, DisplayCloser> _display;
    std::unique_ptr<QSocketNotifier> _notifier;
    int _randrEventBase = -1;
};
