import QtQuick 2.15
import QtQuick.Controls 2.15
import "../UIHelper.js" as UIHelper

// A push button with a translated text; Enter presses it as Space does.
Button {
    id: control

    property string source: ""
    property bool primary: false

    text: UIHelper.tr(source)
    Accessible.name: text
    implicitHeight: 36
    leftPadding: 18
    rightPadding: 18
    focusPolicy: Qt.StrongFocus
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: Text {
        text: control.text
        font.pixelSize: 14
        color: !control.enabled ? "#a0a6b0" : control.primary ? "#ffffff" : "#1f2329"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 8
        color: control.primary ? (control.down ? "#1f56c4" : "#2f6fed")
                               : (control.down ? "#e3e6eb" : "#ffffff")
        border.color: control.activeFocus ? "#2f6fed" : "#d5d9e0"
        border.width: control.activeFocus ? 2 : 1
    }
}
