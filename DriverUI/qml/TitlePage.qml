import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Dialogs 1.3
import "UIHelper.js" as UIHelper
import "Controls"

// The title bar: the program's name, the application profiles of the device shown, minimise and
// close. Dragging it moves the window.
Item {
    id: title

    // "All programs" first, then the programs with a profile of their own. The bridge's list
    // has the same first entry and ends with the entry that adds a program, which the button
    // beside the list does here.
    readonly property var profileNames: {
        var names = [UIHelper.tr("所有程序")]
        if (mainWindow.configRevision >= 0 && mainWindow.connected) {
            var apps = uiManager.getAppList()
            for (var i = 1; i < apps.length - 1; ++i)
                names.push(uiManager.getAppName(apps[i]))
        }
        return names
    }

    // The profile the pages edit, shown once the list has been filled again (a new list resets
    // the selection to its first entry).
    function syncProfile() {
        profiles.currentIndex = mainWindow.connected ? uiManager.getCurrentCfgIdx() + 1 : 0
    }
    Connections {
        target: mainWindow
        function onConfigRevisionChanged() { Qt.callLater(title.syncProfile) }
    }
    Component.onCompleted: syncProfile()

    MouseArea {
        anchors.fill: parent
        onPressed: {
            var p = title.mapToItem(null, mouse.x, mouse.y)
            mainWindow._onMousePressed(Qt.point(p.x, p.y))
        }
        onReleased: mainWindow._onMouseReleased()
    }

    Image {
        id: logo
        x: 24
        anchors.verticalCenter: parent.verticalCenter
        width: 32
        height: 32
        source: mainWindow.connected ? "qrc:/Images/Icon.png" : "qrc:/Images/Icon_d.png"
        // Not kept in Qt Quick's image cache, which outlives the engine.
        cache: false
    }
    ZvText {
        anchors.left: logo.right
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        source: "ZervaTablet"
        verbatim: true
        font.pixelSize: 18
        font.bold: true
    }

    Row {
        anchors.centerIn: parent
        spacing: 8
        visible: mainWindow.connected

        ZvText {
            height: 36
            source: "应用程序"
        }
        ComboBox {
            id: profiles
            objectName: "appProfiles"
            width: 280
            model: title.profileNames
            Accessible.name: UIHelper.tr("应用程序")
            onActivated: {
                uiManager.setCurrentCfgIdx(index - 1)
                mainWindow.configRevision++
            }
        }
        ZvButton {
            objectName: "addProgram"
            source: "添加程序"
            onClicked: programDialog.open()
        }
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 20
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4

        ZvIconButton {
            objectName: "minimizeButton"
            source: "最小化"
            glyph: "\u2014"
            onClicked: mainWindow.showMinimized()
        }
        ZvIconButton {
            objectName: "closeButton"
            source: "关闭"
            glyph: "\u2715"
            onClicked: mainWindow.closeToTray()
        }
    }

    FileDialog {
        id: programDialog
        title: UIHelper.tr("选择程序")
        selectExisting: true
        onAccepted: {
            if (uiManager.setAddOneNewApp(uiManager.localPath(fileUrl)))
                mainWindow.configRevision++
            else
                messageBox.tell("无法为该程序添加设置：程序已在列表中，或列表已满", true)
        }
    }
}
