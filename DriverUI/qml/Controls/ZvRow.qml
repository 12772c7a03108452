import QtQuick 2.15

// One line of a settings page: the label on the left, its controls on the right.
Item {
    id: row

    property string label: ""
    default property alias controls: holder.data

    width: parent ? parent.width : 600
    height: 56

    ZvText {
        source: row.label
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: Math.max(0, row.width - holder.width - 24)
    }
    Row {
        id: holder
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8
    }
    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: "#e6e9ee"
    }
}
