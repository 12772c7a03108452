import QtQuick 2.15
import QtQuick.Controls 2.15
import "../UIHelper.js" as UIHelper

// A small button that shows a symbol; `source` names it for screen readers and its tooltip.
Button {
    id: control

    property string source: ""
    property string glyph: ""

    text: glyph
    Accessible.name: UIHelper.tr(source)
    ToolTip.visible: hovered
    ToolTip.text: Accessible.name
    implicitWidth: 40
    implicitHeight: 36
    focusPolicy: Qt.StrongFocus
    Keys.onReturnPressed: clicked()

    contentItem: Text {
        text: control.glyph
        font.pixelSize: 16
        color: "#1f2329"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: 8
        color: control.down ? "#e3e6eb" : (control.hovered ? "#eceff3" : "transparent")
        border.color: control.activeFocus ? "#2f6fed" : "transparent"
    }
}
