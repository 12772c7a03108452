import QtQuick 2.15
import MyApplicationWindow 1.0
import Zerva.UIManager 1.0

MyApplicationWindow {
    id: mainWindow

    property bool tabletConnected: false

    width: 1200
    height: 838
    title: "ZervaTablet"
    flags: Qt.Window | Qt.FramelessWindowHint

    function showMain() {
        mainWindow.show()
        mainWindow.raise()
        mainWindow.requestActivate()
    }

    Rectangle {
        anchors.fill: parent
        radius: 12
        color: "#f4f5f7"

        MouseArea {
            id: titleBar
            anchors { left: parent.left; right: parent.right; top: parent.top }
            height: 48
            onPressed: mainWindow._onMousePressed(Qt.point(mouse.x, mouse.y))
            onReleased: mainWindow._onMouseReleased()
        }

        Text {
            anchors.centerIn: parent
            font.pixelSize: 24
            text: jsonTrans.getStringByPreTrans(mainWindow.tabletConnected ? "已连接数位板" : "未连接数位板")
        }
    }

    UIManager {
        id: uiManager
        onShowUI: mainWindow.showMain()
        onDevConnect: mainWindow.tabletConnected = true
        onDevDisConnect: mainWindow.tabletConnected = false
        onHotKeyshowUI: mainWindow.visible ? mainWindow.hide() : mainWindow.showMain()
    }

    Component.onCompleted: {
        jsonTrans.setTransMode(jsonTrans.getLanguegeMode())
        jsonTrans.startTrans()
        // A hot key another program holds is reported by the settings page (later); the window
        // is still reachable from the tray and by a second start.
        if (!uiManager.setHotKey(uiManager.getHotKey()))
            console.warn("the show-window hot key is taken")
        if (uiManager.getStartArgumentIsShow() && uiManager.getStartupTimeIsShow())
            showMain()
        else
            mainWindow.createHidden()
    }
}
