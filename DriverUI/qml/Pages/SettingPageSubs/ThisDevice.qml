import QtQuick 2.15
import "../../Controls"

// The device shown: its identity and firmware, and the states the tablet reports. A state is
// listed once the tablet has answered for it; one that never answers is not offered.
Column {
    id: page

    // -1: not answered (yet).
    property int battery: -1
    property int led: -1
    property int touchKeys: -1
    property int touchScreen: -1
    property int ledLevel: -1
    property int sleepLevel: -1

    function query() {
        battery = led = touchKeys = touchScreen = ledLevel = sleepLevel = -1
        if (mainWindow.connected)
            uiManager.queryDevStates()
    }
    // A step up or down has no answer of its own: ask again for the value it led to.
    function stepAndQuery(set, step) {
        set(step)
        uiManager.queryDevStates()
    }

    spacing: 0
    onVisibleChanged: if (visible) query()

    Connections {
        target: uiManager
        function onPowerInfo(percent) { page.battery = percent }
        function onLedState(on) { page.led = on }
        function onThKeyState(on) { page.touchKeys = on }
        function onTScreenState(on) { page.touchScreen = on ? 1 : 0 }
        function onLedLightLevel(level) { page.ledLevel = level }
        function onSleepLevel(level) { page.sleepLevel = level }
    }
    Connections {
        target: mainWindow
        function onConfigRevisionChanged() { if (page.visible) page.query() }
    }

    ZvText {
        source: "本机"
        font.pixelSize: 18
        font.bold: true
        height: 40
    }
    ZvRow {
        label: "设备名称"
        ZvText {
            objectName: "deviceName"
            verbatim: true
            source: mainWindow.configRevision >= 0 ? uiManager.getDevTitle(mainWindow.currentDev) : ""
            height: 36
        }
    }
    ZvRow {
        label: "型号"
        ZvText {
            objectName: "deviceModel"
            verbatim: true
            source: mainWindow.configRevision >= 0 ? uiManager.getDevFullModel(mainWindow.currentDev) : ""
            height: 36
        }
    }
    ZvRow {
        label: "固件版本"
        ZvText {
            objectName: "firmwareVersion"
            readonly property string version: mainWindow.configRevision >= 0
                                              ? uiManager.getDevFirmWareVer(mainWindow.currentDev) : ""
            verbatim: version !== ""
            source: version !== "" ? version : "未知"
            height: 36
        }
    }
    ZvRow {
        label: "电量"
        visible: page.battery >= 0
        ZvText {
            objectName: "batteryLevel"
            verbatim: true
            source: page.battery + " %"
            height: 36
        }
    }
    ZvRow {
        label: "指示灯"
        visible: page.led >= 0
        ZvSwitch {
            objectName: "ledSwitch"
            source: "指示灯"
            checked: page.led === 1
            onToggled: uiManager.setLedState(checked)
        }
    }
    ZvRow {
        label: "触摸按键"
        visible: page.touchKeys >= 0
        ZvSwitch {
            objectName: "touchKeySwitch"
            source: "触摸按键"
            checked: page.touchKeys === 1
            onToggled: uiManager.setTHKeyState(checked)
        }
    }
    ZvRow {
        label: "触摸屏"
        visible: page.touchScreen >= 0
        ZvSwitch {
            objectName: "touchScreenSwitch"
            source: "触摸屏"
            checked: page.touchScreen === 1
            onToggled: uiManager.setTScreenState(checked)
        }
    }
    ZvRow {
        label: "指示灯亮度"
        visible: page.ledLevel >= 0
        ZvIconButton {
            source: "调暗"
            glyph: "\u2212"
            onClicked: page.stepAndQuery(uiManager.setLedLightLevel, -1)
        }
        ZvText {
            verbatim: true
            source: String(page.ledLevel)
            width: 32
            height: 36
            horizontalAlignment: Text.AlignHCenter
        }
        ZvIconButton {
            source: "调亮"
            glyph: "+"
            onClicked: page.stepAndQuery(uiManager.setLedLightLevel, 1)
        }
    }
    ZvRow {
        label: "休眠时间"
        visible: page.sleepLevel >= 0
        ZvIconButton {
            source: "缩短"
            glyph: "\u2212"
            onClicked: page.stepAndQuery(uiManager.setSleepLevel, -1)
        }
        ZvText {
            verbatim: true
            source: String(page.sleepLevel)
            width: 32
            height: 36
            horizontalAlignment: Text.AlignHCenter
        }
        ZvIconButton {
            source: "延长"
            glyph: "+"
            onClicked: page.stepAndQuery(uiManager.setSleepLevel, 1)
        }
    }
}
