import QtQuick 2.15
import QtQuick.Controls 2.15
import "../UIHelper.js" as UIHelper

// A web link: opens `url` in the desktop's browser, only when clicked. Hidden without an address.
Button {
    id: control

    property string source: ""
    property string url: ""

    visible: url !== ""
    text: UIHelper.tr(source)
    Accessible.name: text
    Accessible.role: Accessible.Link
    flat: true
    padding: 4
    focusPolicy: Qt.StrongFocus
    Keys.onReturnPressed: clicked()
    onClicked: Qt.openUrlExternally(url)

    contentItem: Text {
        text: control.text
        font.pixelSize: 14
        font.underline: control.hovered || control.activeFocus
        color: "#2f6fed"
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }
    background: Item {}
}
