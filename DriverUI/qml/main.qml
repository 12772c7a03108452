import QtQuick 2.15
import QtQuick.Layouts 1.15
import MyApplicationWindow 1.0
import Zerva.UIManager 1.0
import Zerva.utility 1.0
import "UIHelper.js" as UIHelper
import "Controls"
import "Pages"

// The main window: title bar, and either the no-device view or the device view. It is drawn at
// 1200 x 838 and scaled down as a whole where the screen is smaller (1366 x 768 laptops).
MyApplicationWindow {
    id: mainWindow

    readonly property int designWidth: 1200
    readonly property int designHeight: 838
    readonly property real uiScale: {
        var w = availableGeometry.width
        var h = availableGeometry.height
        if (w <= 0 || h <= 0)
            return 1
        return Math.min(1, w / designWidth, h / designHeight)
    }

    // What the pages show: the driver runs, the tablets' titles, which one is edited.
    property bool coreRunning: false
    property bool connected: false
    property var devices: []
    property int currentDev: -1
    property int maxX: 0
    property int maxY: 0
    property var langList: []
    // The hot key's conflict message, untranslated; empty when it is registered.
    property string hotKeyMessage: ""
    // Counts the changes of the device shown or of its settings: pages read again on each.
    property int configRevision: 0

    function showMain() {
        show()
        raise()
        requestActivate()
        // Raised above whatever has the focus for a moment, then an ordinary window again.
        flags = flags | Qt.WindowStaysOnTopHint
        raiseTimer.restart()
    }
    function toggleMain() {
        if (visible)
            hide()
        else
            showMain()
    }
    // Closing keeps the application in the tray; without a tray there is no way back, so it ends.
    function closeToTray() {
        if (tray.available)
            hide()
        else
            quitApp()
    }
    // Ends the settings application only: the driver goes on serving the pen.
    function quitApp() {
        hide()
        if (tray.available)
            tray.onExit()
        else
            Qt.quit()
    }
    function refreshDevices() {
        var list = []
        for (var i = 0; i < 2; ++i) {
            var title = uiManager.getDevTitle(i)
            if (title !== "")
                list.push(title)
        }
        devices = list
        connected = list.length > 0
        currentDev = connected ? uiManager.getCurrentDevIdx() : -1
        langList = connected ? uiManager.getLangList() : []
        configRevision++
    }

    width: Math.round(designWidth * uiScale)
    height: Math.round(designHeight * uiScale)
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    title: "ZervaTablet"
    color: "transparent"
    flags: Qt.Window | Qt.FramelessWindowHint

    onClosing: {
        close.accepted = !tray.available
        closeToTray()
    }

    Timer {
        id: raiseTimer
        interval: 50
        onTriggered: mainWindow.flags = mainWindow.flags & ~Qt.WindowStaysOnTopHint
    }

    UIManager {
        id: uiManager

        onDevConnect: {
            if (maxx > 0 && maxy > 0) {
                mainWindow.maxX = maxx
                mainWindow.maxY = maxy
            }
            mainWindow.refreshDevices()
        }
        onDevDisConnect: mainWindow.refreshDevices()
        onDevConfigChange: mainWindow.configRevision++
        onCoreRunning: mainWindow.coreRunning = running
        onShowUI: mainWindow.showMain()
        onHotKeyshowUI: mainWindow.toggleMain()
    }

    SystemTrayIcon {
        id: tray

        visible: available
        toolTip: "ZervaTablet"
        icon: mainWindow.connected ? "qrc:/Images/Icon.png" : "qrc:/Images/Icon_d.png"
        menu: MyMenu {
            MyShowUI {
                text: UIHelper.tr("显示")
                onTriggered: mainWindow.showMain()
            }
            MySeparator {}
            MyAction {
                text: UIHelper.tr("退出")
                onTriggered: mainWindow.quitApp()
            }
        }
        onTrigger: mainWindow.toggleMain()
    }

    Item {
        id: body
        objectName: "body"

        width: mainWindow.designWidth
        height: mainWindow.designHeight
        scale: mainWindow.uiScale
        transformOrigin: Item.TopLeft

        Rectangle {
            anchors.fill: parent
            radius: 32
            color: "#f4f5f7"
            border.color: "#dfe3e8"
        }

        TitlePage {
            id: titleBar
            width: parent.width
            height: 64
        }

        StackLayout {
            id: tabs
            objectName: "tabs"
            y: 64
            width: parent.width
            height: 774
            currentIndex: mainWindow.connected ? 1 : 0

            DisConnectPage {
                objectName: "disconnectPage"
                coreRunning: mainWindow.coreRunning
            }
            SelectPage {
                id: selectPage
                objectName: "selectPage"
            }
        }

        ZvMessage {
            id: messageBox
            objectName: "messageBox"
            anchors.fill: parent
        }
    }

    Component.onCompleted: {
        jsonTrans.setTransMode(jsonTrans.getLanguegeMode())
        jsonTrans.startTrans()
        coreRunning = uiManager.getCoreRunning()
        refreshDevices()
        if (!uiManager.setHotKey(uiManager.getHotKey()))
            hotKeyMessage = "热键冲突，请重新设定"
        x = availableGeometry.x + Math.max(0, (availableGeometry.width - width) / 2)
        y = availableGeometry.y + Math.max(0, (availableGeometry.height - height) / 2)
        if (uiManager.getStartArgumentIsShow() && uiManager.getStartupTimeIsShow())
            showMain()
        else
            createHidden()
    }
}
