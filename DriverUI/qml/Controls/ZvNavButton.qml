import QtQuick 2.15
import QtQuick.Controls 2.15
import "../UIHelper.js" as UIHelper

// An entry of the left bar; `checked` marks the page shown.
Button {
    id: control

    property string source: ""
    property bool verbatim: false

    text: verbatim ? source : UIHelper.tr(source)
    Accessible.name: text
    checkable: false
    implicitHeight: 40
    leftPadding: 32
    rightPadding: 12
    focusPolicy: Qt.StrongFocus
    Keys.onReturnPressed: clicked()

    contentItem: Text {
        text: control.text
        font.pixelSize: 15
        font.bold: control.checked
        color: control.checked ? "#2f6fed" : "#1f2329"
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: 8
        color: control.checked ? "#e8effd" : (control.hovered ? "#f2f4f7" : "transparent")
        border.color: control.activeFocus ? "#2f6fed" : "transparent"
    }
}
