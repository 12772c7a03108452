// Areas, pressure and files of the current tablet.
#include "LocalSettingManager.h"
#include "LogicCenter.h"
#include "MyApplicationWindow.h"
#include "UIManager.h"
#include "ZvWorkArea.h"

#include <QDebug>

QRect UIManager::getWorkArea() {
    return m_pLogicCenter->UI_GetWorkArea();
}
QRect UIManager::getSKeykArea() {
    return m_pLogicCenter->UI_GetSekArea();
}
QRect UIManager::getWorkMapArea(int app) {
    return m_pLogicCenter->UI_GetWorkMapArea(app);
}
QRect UIManager::getUsableArea() {
    return zvui::usableArea(getSKeyNum() > 0, getSKeyStatus(-1), getSKeykArea(), getWorkArea());
}
QRectF UIManager::getProportionalArea(double screenAspect) {
    return zvui::proportionalArea(QRectF(getUsableArea()), screenAspect, getDevRotate());
}
int UIManager::getMapScreen(int app) {
    return m_pLogicCenter->UI_GetMapScreen(app);
}
bool UIManager::setMapScreen(int screen, int app) {
    return m_pLogicCenter->UI_SetMapScreen(screen, app);
}
void UIManager::setWorkMapArea(QRect area) {
    m_pLogicCenter->UI_SetWorkMapArea(area);
}
bool UIManager::setWorkMapType(int type) {
    if (type < 0 || type > 2)
        return false;
    m_pLogicCenter->UI_SetWorkMapType(type);
    // Kept per user: the page opens in the mode the user chose last time.
    return LocalSettingManager::instance().saveMapType(type);
}
int UIManager::getWorkMapType() {
    return LocalSettingManager::instance().getMapType();
}

double UIManager::edgeOf(const ZvRectRatio& r, int edge) const {
    const float edges[] = {r.l, r.t, r.r, r.b};
    return edge >= 0 && edge < 4 ? double(edges[edge]) : 0.0;
}

bool UIManager::setTabletEdge(int edge, double value, int app) {
    ZvRectRatio r = m_pLogicCenter->UI_GetTabletAreaRatio(app);
    float* edges[] = {&r.l, &r.t, &r.r, &r.b};
    *edges[edge] = float(value);
    return m_pLogicCenter->UI_SetTabletAreaRatio(r, app);
}

bool UIManager::setScreenEdge(int edge, double value, int app) {
    ZvRectRatio r = m_pLogicCenter->UI_GetScreenAreaRatio(app);
    float* edges[] = {&r.l, &r.t, &r.r, &r.b};
    *edges[edge] = float(value);
    return m_pLogicCenter->UI_SetScreenAreaRatio(r, app);
}

double UIManager::getTabletAreaLeft(int app) {
    return edgeOf(m_pLogicCenter->UI_GetTabletAreaRatio(app), 0);
}
double UIManager::getTabletAreaTop(int app) {
    return edgeOf(m_pLogicCenter->UI_GetTabletAreaRatio(app), 1);
}
double UIManager::getTabletAreaRight(int app) {
    return edgeOf(m_pLogicCenter->UI_GetTabletAreaRatio(app), 2);
}
double UIManager::getTabletAreaBottom(int app) {
    return edgeOf(m_pLogicCenter->UI_GetTabletAreaRatio(app), 3);
}
double UIManager::getScreenAreaLeft(int app) {
    return edgeOf(m_pLogicCenter->UI_GetScreenAreaRatio(app), 0);
}
double UIManager::getScreenAreaTop(int app) {
    return edgeOf(m_pLogicCenter->UI_GetScreenAreaRatio(app), 1);
}
double UIManager::getScreenAreaRight(int app) {
    return edgeOf(m_pLogicCenter->UI_GetScreenAreaRatio(app), 2);
}
double UIManager::getScreenAreaBottom(int app) {
    return edgeOf(m_pLogicCenter->UI_GetScreenAreaRatio(app), 3);
}
bool UIManager::setTabletAreaLeft(double value, int app) {
    return setTabletEdge(0, value, app);
}
bool UIManager::setTabletAreaTop(double value, int app) {
    return setTabletEdge(1, value, app);
}
bool UIManager::setTabletAreaRight(double value, int app) {
    return setTabletEdge(2, value, app);
}
bool UIManager::setTabletAreaBottom(double value, int app) {
    return setTabletEdge(3, value, app);
}
bool UIManager::setScreenAreaLeft(double value, int app) {
    return setScreenEdge(0, value, app);
}
bool UIManager::setScreenAreaTop(double value, int app) {
    return setScreenEdge(1, value, app);
}
bool UIManager::setScreenAreaRight(double value, int app) {
    return setScreenEdge(2, value, app);
}
bool UIManager::setScreenAreaBottom(double value, int app) {
    return setScreenEdge(3, value, app);
}
bool UIManager::setTabletArea(double left, double top, double right, double bottom, int app) {
    return m_pLogicCenter->UI_SetTabletAreaRatio(
        ZvRectRatio{float(left), float(top), float(right), float(bottom)}, app);
}
bool UIManager::setScreenArea(double left, double top, double right, double bottom, int app) {
    return m_pLogicCenter->UI_SetScreenAreaRatio(
        ZvRectRatio{float(left), float(top), float(right), float(bottom)}, app);
}
bool UIManager::setCustomArea(int x, int y, int width, int height) {
    const TabletManager* devices = m_pLogicCenter->GetTabletManager();
    const Tablet* t = devices->GetCurrentTablet();
    ZvRectRatio r;
    if (t == nullptr ||
        !zvui::customAreaRatio(x, y, width, height, int(t->cfg().maxX), int(t->cfg().maxY), &r))
        return false;
    return m_pLogicCenter->UI_SetTabletAreaRatio(r, -1);
}

int UIManager::getPressureSettingPt(bool isX, int idx, int app) {
    ZvPoint p[3] = {};
    if (!m_pLogicCenter->UI_GetPressureSetting(&p[0], &p[1], &p[2], app))
        return 0;
    const ZvPoint& pt = idx == 1 ? p[0] : idx == 2 ? p[1] : p[2];
    return isX ? pt.x : pt.y;
}
bool UIManager::setPressureSetting(int x1, int y1, int x2, int y2, int x3, int y3, int app) {
    return m_pLogicCenter->UI_SetPressureSetting(ZvPoint{x1, y1}, ZvPoint{x2, y2}, ZvPoint{x3, y3},
                                                 app);
}
int UIManager::getPressure() {
    return MyApplicationWindow::lastPressure();
}
int UIManager::getFixedPressure() {
    m_iPressure = getPressure();
    qDebug("--------InPresure: %d OutPresure: %d", m_iPressure,
           m_pLogicCenter->UI_CalcPressure(m_iPressure));
    return m_iPressure;
}

bool UIManager::loadDefCfg() {
    const bool ok = m_pLogicCenter->UI_LoadDefCfg();
    emit devConfigChange(m_pLogicCenter->GetTabletManager()->GetCurrentDevModel());
    return ok;
}
bool UIManager::loadCfg(QString path) {
    const bool ok = m_pLogicCenter->UI_LoadCfg(path);
    emit devConfigChange(m_pLogicCenter->GetTabletManager()->GetCurrentDevModel());
    return ok;
}
bool UIManager::exportCfg(QString path) {
    return m_pLogicCenter->UI_ExportCfg(path);
}
