#include "UIManager.h"

#include "LogicCenter.h"
#include "ZvAutoStart.h"
#include "ZvStartupShow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

UIManager::UIManager(QObject* parent)
    : QObject(parent), m_pLogicCenter(std::make_unique<LogicCenter>()) {
    m_pLogicCenter->SetUIMsgInterface(this);
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

QString UIManager::getDevPicPath() {
    return m_pLogicCenter->UI_GetDevPicPath();
}

QString UIManager::getPenPicPath() {
    return m_pLogicCenter->UI_GetPenPicPath();
}

QStringList UIManager::getLangList() {
    static const char* const kNames[] = {
        "简体中文", "繁體中文",  "한국어",  "日本語",        "English",          "Deutsch",
        "Français", "Русский",   "Polski",  "Nederlands",    "Bahasa Indonesia", "Italiano",
        "Español",  "Português", "العربية", "Bahasa Melayu", "Svenska"};
    const unsigned bits = m_pLogicCenter->UI_GetLangBit();
    QStringList out;
    for (unsigned i = 0; i < sizeof kNames / sizeof kNames[0]; ++i)
        if (bits & (1u << i))
            out << QString::fromUtf8(kNames[i]);
    return out;
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
}
