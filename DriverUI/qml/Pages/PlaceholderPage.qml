import QtQuick 2.15
import "../Controls"

// A page of the left bar that this version does not have yet.
Item {
    property string title: ""

    Column {
        anchors.centerIn: parent
        spacing: 12

        ZvText {
            anchors.horizontalCenter: parent.horizontalCenter
            source: parent.parent.title
            font.pixelSize: 20
            font.bold: true
        }
        ZvText {
            anchors.horizontalCenter: parent.horizontalCenter
            source: "此页面将在后续版本中提供。"
            color: "#6b7280"
        }
    }
}
