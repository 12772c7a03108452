// The settings application's picture of the desktop: the monitors as the core numbers them
// (a screen index means the same monitor to both programs), the desktop rectangle, and a captured
// image of the whole desktop for the work-area page. Monitor changes are debounced: a burst of
// change signals gives one update after they stop, which re-reads the monitors, captures the
// desktop again and tells the user interface (which tells the core). GUI thread only.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QVector>

#include <memory>

class QQmlEngine;
class QScreen;
class UIMsgInterface;
class ZvRandrWatch;
class ZvScreenPicture;

class ScreenInfo : public QObject {
    Q_OBJECT
public:
    // From the last change signal to the update.
    static constexpr int kDebounceMs = 500;
    // The index the user configuration stores for "all screens": one past the most monitors
    // the configuration has areas for.
    static constexpr int kAllScreensStored = 8;

    // Reads the monitors at once (the getters are valid from here on) and starts watching
    // for changes.
    explicit ScreenInfo(QObject* parent = nullptr);
    ~ScreenInfo() override;

    // The callback told after every debounced update (not owned; null: none). Setting it starts
    // one update, so the first capture and notice come shortly after start.
    void SetUIMsgInterFace(UIMsgInterface* ui);

    // The image URL of the last capture ("image://zvscreen/desktop?<serial>"), capturing first
    // when nothing has been captured yet.
    QString GetScreenPicPath();
    // Captures now and returns the new URL.
    QString RefreshScreenPic();
    // Serves the pictures to engine's QML under the id in ZvScreenPicture::kProviderId; the
    // engine owns the provider it gets. False when engine is null or already has a provider
    // of that id (the first one stays).
    bool AddImageProvider(QQmlEngine* engine) const;

    // The size of the desktop rectangle.
    QSize GetScreenSize() const { return m_deskTopRc.size(); }
    // Always empty: which monitor is primary is the window manager's business, and nothing
    // here depends on it.
    QRect GetPrimaryScreenRect() const { return QRect(); }
    int GetScreenNum() const { return m_screenRectList.size(); }
    // 0 .. count-1: that monitor; count ("all screens"): the desktop rectangle; any other
    // index: the first monitor. Empty when there is no monitor.
    QRect GetScreenRect(int i) const;
    // The rectangle a stored screen choice maps to, as the core reads it: an index at or
    // above the monitor count (kAllScreensStored, or a monitor that has gone) is all screens.
    QRect GetMappedScreenRect(int stored) const;
    // The bounding rectangle of all monitors, stretched to contain the origin.
    QRect GetDesktopRect() const { return m_deskTopRc; }
    // Whether an equal rectangle is already listed.
    bool IsScreenExist(const QRect& rect) const;
    // Recomputes the desktop rectangle from the list and returns it.
    QRect CalcDesktopRc();

public slots:
    // A change signal: (re)starts the debounce.
    void DisplayChange();

private:
    void ReadScreens();
    void UpdateScreenInfo();
    QString ScreenCapture();
    void WatchQtScreen(QScreen* screen);

    UIMsgInterface* m_pUIMsgInterface = nullptr;
    QVector<QRect> m_screenRectList;
    QRect m_deskTopRc;
    QTimer m_debounce;
    std::unique_ptr<ZvRandrWatch> m_randr;
    std::shared_ptr<ZvScreenPicture> m_picture;
};
