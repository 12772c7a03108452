#include "RecordingUi.h"

#include <chrono>

void RecordingUi::add(const QString& line) {
    {
        std::lock_guard<std::mutex> lock(_mu);
        _lines.push_back(line.toStdString());
        _thread = std::this_thread::get_id();
    }
    _cv.notify_all();
}

std::vector<std::string> RecordingUi::lines() {
    std::lock_guard<std::mutex> lock(_mu);
    return _lines;
}

size_t RecordingUi::size() {
    std::lock_guard<std::mutex> lock(_mu);
    return _lines.size();
}

std::thread::id RecordingUi::lastThread() {
    std::lock_guard<std::mutex> lock(_mu);
    return _thread;
}

long RecordingUi::waitLine(const std::string& line, int timeoutMs, size_t from) {
    std::unique_lock<std::mutex> lock(_mu);
    long found = -1;
    _cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (size_t i = from; i < _lines.size(); ++i)
            if (_lines[i] == line) {
                found = long(i);
                return true;
            }
        return false;
    });
    return found;
}

void RecordingUi::coreDevConnect(QString model, unsigned maxx, unsigned maxy) {
    add(QStringLiteral("connect %1 %2 %3").arg(model).arg(maxx).arg(maxy));
}
void RecordingUi::coreDevDisConnect(QString model) {
    add(QStringLiteral("disconnect %1").arg(model));
}
void RecordingUi::coreSwitchScreen(int screen) {
    add(QStringLiteral("screen %1").arg(screen));
}
void RecordingUi::coreSwitchMouseMode(bool on) {
    add(QStringLiteral("mousemode %1").arg(on));
}
void RecordingUi::coreSwitchGameModel(bool on) {
    add(QStringLiteral("game %1").arg(on));
}
void RecordingUi::corePenPressureChanged(int pressure) {
    add(QStringLiteral("pressure %1").arg(pressure));
}
void RecordingUi::coreMekPressKeyDown(QString model, int appIdx, int keyIdx, int funIdx) {
    add(QStringLiteral("mek %1 %2 %3 %4").arg(model).arg(appIdx).arg(keyIdx).arg(funIdx));
}
void RecordingUi::coreShowEKeyValue(QString model, bool show, int appIdx) {
    add(QStringLiteral("ekeys %1 %2 %3").arg(model).arg(show).arg(appIdx));
}
void RecordingUi::coreShowFineModel(bool show, int value) {
    add(QStringLiteral("fine %1 %2").arg(show).arg(value));
}
void RecordingUi::coreShowRadialMenu(bool show, int value) {
    add(QStringLiteral("radial %1 %2").arg(show).arg(value));
}
void RecordingUi::corePowerInfo(int percent) {
    add(QStringLiteral("power %1").arg(percent));
}
void RecordingUi::coreDialState(bool on) {
    add(QStringLiteral("dial %1").arg(on));
}
void RecordingUi::coreAdminState(bool admin) {
    add(QStringLiteral("admin %1").arg(admin));
}
void RecordingUi::coreLedState(bool on) {
    add(QStringLiteral("led %1").arg(on));
}
void RecordingUi::coreTHKeyState(bool on) {
    add(QStringLiteral("thkey %1").arg(on));
}
void RecordingUi::coreTScreenState(bool on) {
    add(QStringLiteral("tscreen %1").arg(on));
}
void RecordingUi::coreLedLightLevel(int level) {
    add(QStringLiteral("ledlight %1").arg(level));
}
void RecordingUi::coreSleepLevel(int level) {
    add(QStringLiteral("sleep %1").arg(level));
}
void RecordingUi::coreTabletOpen(QString model) {
    add(QStringLiteral("open %1").arg(model));
}
void RecordingUi::coreTabletClose(QString model) {
    add(QStringLiteral("close %1").arg(model));
}
void RecordingUi::sysScreenChange() {
    add(QStringLiteral("screens"));
}
void RecordingUi::showMainWindow() {
    add(QStringLiteral("show"));
}
