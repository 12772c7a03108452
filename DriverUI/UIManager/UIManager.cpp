#include "UIManager.h"

#include "LanguageTran.h"
#include "LinkManager.h"
#include "LocalSettingManager.h"
#include "LogicCenter.h"
#include "MsgAdapter.h"
#include "MyGlobalShortCut.h"
#include "ScreenInfo.h"
#include "ZvAppDir.h"
#include "ZvAutoStart.h"
#include "ZvKeyText.h"
#include "ZvLangCodes.h"
#include "ZvStartupShow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QKeySequence>
#include <QQmlEngine>
#include <QUrl>

UIManager::UIManager(QObject* parent)
    : QObject(parent), m_pLogicCenter(std::make_unique<LogicCenter>(zv_app_dir())),
      m_pScreenInfo(std::make_unique<ScreenInfo>()),
      m_shortcut(std::make_unique<MyGlobalShortCut>()),
      m_links(std::make_unique<LinkManager>(&LocalSettingManager::instance())) {
    m_pLogicCenter->SetTranslator(&LanguageTran::translate);
    m_pLogicCenter->SetUIMsgInterface(this);
    m_pScreenInfo->SetUIMsgInterFace(this);
}

UIManager::~UIManager() {
    exitCore();
    // The adapter's threads are joined: nothing calls back into this object any more.
    m_pLogicCenter->SetUIMsgInterface(nullptr);
    qInfo("uiManager destory");
}

bool UIManager::getStartArgumentIsShow() {
    return ::getStartArgumentIsShow(QCoreApplication::arguments());
}

bool UIManager::getStartupTimeIsShow() {
    return ::getStartupTimeIsShow();
}

void UIManager::exitCore() {
    m_pLogicCenter->Destory();
}

bool UIManager::setAutoStart() {
    return ::setAutoStart(QCoreApplication::applicationFilePath());
}

bool UIManager::rmAutoStart() {
    return ::rmAutoStart();
}

int UIManager::getCheckAutoStart() {
    return ::getCheckAutoStart();
}

QString UIManager::getDevName(int idx) {
    return m_pLogicCenter->UI_GetDevName(idx);
}

QString UIManager::getDevModel(int idx) {
    return m_pLogicCenter->UI_GetDevModel(idx);
}

QString UIManager::getDevFullModel(int idx) {
    return m_pLogicCenter->UI_GetDevFullModel(idx);
}

QString UIManager::getDevTitle(int idx) {
    const QString name = getDevName(idx).trimmed();
    return name.isEmpty() ? getDevModel(idx) : name;
}

QString UIManager::getDevFirmWareVer(int idx) {
    const QString ver = m_pLogicCenter->UI_GetDevFirmWareVer(idx);
    if (!ver.isEmpty())
        return ver;
    const auto known = map_workArea.find(m_pLogicCenter->GetTabletManager()->GetCurrentDevModel());
    return known != map_workArea.end() ? known->firmWareVer : QString();
}

bool UIManager::getConnectState() {
    return !getDevPicPath().isEmpty();
}

bool UIManager::getCoreRunning() {
    // The first look at the bus is part of the adapter's set-up: wait for it (briefly) rather
    // than show "driver not running" for the moment before.
    MsgAdapter* adapter = m_pLogicCenter->adapter();
    (void)adapter->waitRegistered(2000);
    return adapter->coreRunning();
}

QString UIManager::getDevPicPath() {
    return m_pLogicCenter->UI_GetDevPicPath();
}

QString UIManager::getPenPicPath() {
    return m_pLogicCenter->UI_GetPenPicPath();
}

QStringList UIManager::getLangList() {
    return zvui::langNamesOfMask(m_pLogicCenter->UI_GetLangBit());
}

int UIManager::getPressureGrade() {
    const Tablet* t = m_pLogicCenter->GetTabletManager()->GetCurrentTablet();
    return t != nullptr ? t->cfg().grade : 0;
}

int UIManager::getMaxPressure() {
    const Tablet* t = m_pLogicCenter->GetTabletManager()->GetCurrentTablet();
    return t != nullptr ? t->cfg().maxP : 0;
}

QString UIManager::getSoftWareVer() {
    return QStringLiteral("v16.0.0.07");
}

QString UIManager::getCopyright() {
    // The years from the first release to the year this program was built.
    const int first = ZV_FIRST_RELEASE_YEAR;
    const int built = ZV_BUILD_YEAR;
    const QString years =
        built > first ? QStringLiteral("%1-%2").arg(first).arg(built) : QString::number(first);
    return QStringLiteral("Copyright © %1 Zerva").arg(years);
}

int UIManager::getInternationalVer() {
    return 0;
}

QString UIManager::tabletPath() {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

bool UIManager::bTabletPath(QString path) {
    return path == tabletPath();
}

QString UIManager::getAppName(QString path) {
    const QStringList parts = path.split(QLatin1Char('/'));
    // "a/b/c" gives "ac"; an absolute path (first piece empty) gives the file name.
    QString name = parts.size() > 1 ? parts.first() + parts.last() : path;
    return name.left(50);
}

QString UIManager::rmString(QString s, QString r) {
    return r.isEmpty() ? s : s.remove(r);
}

QString UIManager::codeToString(int code) {
    if (code < 0 || code > 255)
        return QString();
    return m_keyTrans.CodeToString(static_cast<unsigned char>(code), OSLinux);
}

int UIManager::getCurrentDevIdx() {
    return m_pLogicCenter->UI_GetCurrentDevIdx();
}

bool UIManager::setCurrentDevIdx(int idx) {
    return m_pLogicCenter->UI_SetCurrentDevIdx(idx);
}

void UIManager::coreDevConnect(QString model, unsigned maxx, unsigned maxy) {
    if (model.isEmpty()) {
        emit devDisConnect(QString());
        return;
    }
    auto known = map_workArea.find(model);
    if (known == map_workArea.end()) {
        const int idx = m_pLogicCenter->UI_GetCurrentDevIdx();
        known = map_workArea.insert(
            model, workArea{maxx, maxy, m_pLogicCenter->UI_GetDevFirmWareVer(idx)});
    }
    emit devConnect(model, known->maxx, known->maxy);
}

void UIManager::coreDevDisConnect(QString model) {
    map_workArea.remove(model);
    emit devDisConnect(model);
}

void UIManager::sysScreenChange() {
    // The core re-reads its monitors (physical screen change).
    m_pLogicCenter->UI_SendPhysicsScreenChange();
    emit displayChange(getScreenPicPath(), m_pScreenInfo->GetScreenSize(),
                       m_pScreenInfo->GetScreenNum());
}

QString UIManager::makeASCIIToString(QString code, bool keypad) {
    return zvui::asciiKeyName(code, keypad);
}

int UIManager::getMapScreenNum() {
    return m_pScreenInfo->GetScreenNum();
}
QSize UIManager::getScreenSize() {
    return m_pScreenInfo->GetScreenSize();
}
QRect UIManager::getPrimaryScreenRect() {
    return m_pScreenInfo->GetPrimaryScreenRect();
}
QRect UIManager::getScreenRect(int i) {
    return m_pScreenInfo->GetScreenRect(i);
}
QRect UIManager::getCurrentScreenRect() {
    return m_pScreenInfo->GetMappedScreenRect(m_pLogicCenter->UI_GetMapScreen(-1));
}
QString UIManager::getScreenPicPath() {
    // The pages' engine serves the picture from memory; the first call gives it the provider.
    (void)m_pScreenInfo->AddImageProvider(qmlEngine(this));
    return m_pScreenInfo->GetScreenPicPath();
}
QString UIManager::refreshScreenPic() {
    (void)m_pScreenInfo->AddImageProvider(qmlEngine(this));
    return m_pScreenInfo->RefreshScreenPic();
}
double UIManager::getCurrentScreenAspect() {
    const QRect r = getCurrentScreenRect();
    return r.height() > 0 ? double(r.width()) / r.height() : 0.0;
}

bool UIManager::setHotKey(QString text) {
    QString keys = text;
    keys.remove(QLatin1Char(' '));
    if (!m_shortcut->registerHotKey(keys))
        return false;
    if (!m_hotKeyConnected) {
        connect(m_shortcut.get(), &MyGlobalShortCut::activated, this, &UIManager::onSetHotKey);
        m_hotKeyConnected = true;
    }
    (void)LocalSettingManager::instance().saveHotKey(text);
    return true;
}
QString UIManager::getHotKey() {
    return LocalSettingManager::instance().getHotKey();
}
QString UIManager::hotKeyTextOf(int key, int modifiers) {
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_AltGr:
    case Qt::Key_unknown:
        return QString();
    default:
        break;
    }
    const QString name = QKeySequence(key).toString(QKeySequence::PortableText);
    if (name.isEmpty())
        return QString();
    // A plain key taken by a global grab would be taken from every program: one of Ctrl, Alt
    // or Meta is needed, but for the function keys.
    const bool functionKey = key >= Qt::Key_F1 && key <= Qt::Key_F35;
    if (!functionKey && !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return QString();
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("Ctrl");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("Alt");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("Shift");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("Meta");
    // The key by itself: "+" stays one key, where splitting "Ctrl++" at its pluses would not.
    parts << name;
    return parts.join(QStringLiteral(" + "));
}
QString UIManager::localPath(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : QString();
}
void UIManager::onSetHotKey() {
    qInfo("onSetHotKey");
    emit hotKeyshowUI();
}

QString UIManager::getUpdateLogUrl() {
    return m_links->getUpdateLogUrl();
}
QString UIManager::getUpdateUrl() {
    return m_links->getUpdateUrl();
}
QString UIManager::getFeedBackUrl() {
    const int idx = getCurrentDevIdx();
    return m_links->getFeedBackUrl(getDevModel(idx), getDevFullModel(idx));
}
QString UIManager::getLicenseUrl() {
    return m_links->getLicenseUrl();
}
QString UIManager::getFAQUrl() {
    return m_links->getFAQUrl();
}
QString UIManager::getQuestionUrl() {
    return m_links->getQuestionUrl();
}
QString UIManager::getHelpUrl() {
    return m_links->getHelpUrl();
}
QString UIManager::getMallUrl() {
    return m_links->getMallUrl();
}
QString UIManager::getAdvertising(int num) {
    return m_links->getAdvertising(num);
}
QString UIManager::getLangCode(QString name) {
    return zvui::langCodeOfName(name);
}
QString UIManager::getLangName(QString code) {
    return zvui::langNameOfCode(code);
}
