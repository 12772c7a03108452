import QtQuick 2.15
import "Controls"

// The device selector: one entry per connected tablet; the one chosen is the one the pages edit.
Column {
    spacing: 4

    ZvText {
        source: "当前设备"
        color: "#6b7280"
        font.pixelSize: 13
        height: 24
    }
    Repeater {
        model: mainWindow.devices

        ZvNavButton {
            objectName: "device" + index
            width: parent.width
            leftPadding: 16
            source: modelData
            verbatim: true
            checked: index === mainWindow.currentDev
            onClicked: {
                if (uiManager.setCurrentDevIdx(index))
                    mainWindow.refreshDevices()
            }
        }
    }
}
