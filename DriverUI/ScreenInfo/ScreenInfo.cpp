#include "ScreenInfo.h"

#include "UIMsgInterface.h"
#include "ZvDesktopCapture.h"
#include "ZvDisplayEnum.h"
#include "ZvRandrWatch.h"
#include "ZvScreenImageProvider.h"

#include <QDebug>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QScreen>

#include <algorithm>

ScreenInfo::ScreenInfo(QObject* parent)
    : QObject(parent), m_randr(std::make_unique<ZvRandrWatch>()),
      m_picture(std::make_shared<ZvScreenPicture>()) {
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(kDebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, &ScreenInfo::UpdateScreenInfo);
    connect(m_randr.get(), &ZvRandrWatch::changed, this, &ScreenInfo::DisplayChange);
    // Qt's screens as a second source: they follow outputs switched on and off and work-area
    // changes, and they still work when the watch has no display connection of its own.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
            WatchQtScreen(s);
            DisplayChange();
        });
        connect(app, &QGuiApplication::screenRemoved, this, &ScreenInfo::DisplayChange);
        connect(app, &QGuiApplication::primaryScreenChanged, this, &ScreenInfo::DisplayChange);
        for (QScreen* s : QGuiApplication::screens())
            WatchQtScreen(s);
    }
    ReadScreens();
}

ScreenInfo::~ScreenInfo() = default;

void ScreenInfo::WatchQtScreen(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &ScreenInfo::DisplayChange);
    connect(screen, &QScreen::availableGeometryChanged, this, &ScreenInfo::DisplayChange);
}

void ScreenInfo::SetUIMsgInterFace(UIMsgInterface* ui) {
    m_pUIMsgInterface = ui;
    DisplayChange();
}

void ScreenInfo::DisplayChange() {
    // A restart, not a count: the update comes kDebounceMs after the last signal of a burst
    // (a monitor plugged in sends several), once.
    m_debounce.start();
}

void ScreenInfo::ReadScreens() {
    ZvRect rects[ZV_MAX_MONITORS] = {};
    unsigned num = 0;
    // The core's own enumeration, so that index i is the monitor the core maps screen i to.
    zvcb_enum_display(rects, &num);
    m_screenRectList.clear();
    for (unsigned i = 0; i < num && i < unsigned(ZV_MAX_MONITORS); ++i) {
        const ZvRect& r = rects[i];
        const QRect rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        // Mirrored monitors are kept as the core lists them: a screen index names the same
        // monitor in both programs (merging them would shift every later index by one).
        m_screenRectList.append(rect);
    }
    CalcDesktopRc();
    qInfo() << "screens:" << m_screenRectList << "desktop:" << m_deskTopRc;
}

void ScreenInfo::UpdateScreenInfo() {
    ReadScreens();
    (void)ScreenCapture();
    if (m_pUIMsgInterface)
        m_pUIMsgInterface->sysScreenChange();
}

QString ScreenInfo::ScreenCapture() {
    m_picture->set(zv_capture_desktop(m_deskTopRc, m_screenRectList));
    return m_picture->url();
}

QString ScreenInfo::GetScreenPicPath() {
    if (m_picture->serial() == 0)
        return ScreenCapture();
    return m_picture->url();
}

QString ScreenInfo::RefreshScreenPic() {
    return ScreenCapture();
}

bool ScreenInfo::AddImageProvider(QQmlEngine* engine) const {
    const QString id = QLatin1String(ZvScreenPicture::kProviderId);
    if (!engine || engine->imageProvider(id))
        return false;
    engine->addImageProvider(id, new ZvScreenImageProvider(m_picture));
    return true;
}

QRect ScreenInfo::GetScreenRect(int i) const {
    if (m_screenRectList.isEmpty())
        return QRect();
    if (i == m_screenRectList.size())
        return m_deskTopRc;
    if (i < 0 || i > m_screenRectList.size())
        return m_screenRectList.first();
    return m_screenRectList.at(i);
}

QRect ScreenInfo::GetMappedScreenRect(int stored) const {
    if (stored >= m_screenRectList.size())
        return m_deskTopRc;
    return GetScreenRect(stored);
}

bool ScreenInfo::IsScreenExist(const QRect& rect) const {
    return m_screenRectList.contains(rect);
}

QRect ScreenInfo::CalcDesktopRc() {
    // From the empty rectangle at the origin: the desktop always contains (0, 0), also when
    // every monitor lies left of or above it.
    int left = 0, top = 0, right = 0, bottom = 0;
    for (const QRect& r : m_screenRectList) {
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.x() + r.width());
        bottom = std::max(bottom, r.y() + r.height());
    }
    m_deskTopRc = QRect(left, top, right - left, bottom - top);
    return m_deskTopRc;
}
