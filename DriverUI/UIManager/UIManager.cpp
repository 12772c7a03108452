#include "UIManager.h"

#include "LogicCenter.h"
#include "ZvAutoStart.h"
#include "ZvStartupShow.h"

#include <QCoreApplication>
#include <QDebug>

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
    if (known == map_workArea.end())
        known = map_workArea.insert(model, workArea{maxx, maxy});
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
