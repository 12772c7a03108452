import QtQuick 2.15
import "../UIHelper.js" as UIHelper

// The window's one message box, modal over the pages: ask() waits for a yes or no before
// anything is changed, tell() reports how an action ended. Texts are given untranslated.
Rectangle {
    id: box

    property string message: ""
    property bool asking: false
    property bool failed: false
    property var onYes: null

    function ask(text, yes) {
        message = text
        asking = true
        failed = false
        onYes = yes
        visible = true
        okButton.forceActiveFocus()
    }
    function tell(text, isFailure) {
        message = text
        asking = false
        failed = isFailure
        onYes = null
        visible = true
        okButton.forceActiveFocus()
    }
    function answer(yes) {
        var action = yes && asking ? onYes : null
        visible = false
        onYes = null
        if (action)
            action()
    }

    visible: false
    z: 100
    color: "#66000000"
    radius: 32

    // Modal: nothing below takes the pointer while the box is up.
    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.AllButtons
        onWheel: wheel.accepted = true
    }

    Rectangle {
        anchors.centerIn: parent
        width: 460
        height: content.height + 48
        radius: 16
        color: "#ffffff"

        Column {
            id: content
            x: 24
            y: 24
            width: parent.width - 48
            spacing: 16

            ZvText {
                objectName: "messageTitle"
                width: parent.width
                source: box.asking ? "请确认" : box.failed ? "操作失败" : "操作成功"
                font.pixelSize: 18
                font.bold: true
                color: box.failed ? "#d93025" : "#1f2329"
            }
            ZvText {
                objectName: "messageText"
                width: parent.width
                source: box.message
                wrapMode: Text.Wrap
                elide: Text.ElideNone
            }
            Row {
                anchors.right: parent.right
                spacing: 12

                ZvButton {
                    objectName: "messageCancel"
                    visible: box.asking
                    source: "取消"
                    onClicked: box.answer(false)
                }
                ZvButton {
                    id: okButton
                    objectName: "messageOk"
                    primary: true
                    source: "确定"
                    onClicked: box.answer(true)
                }
            }
        }
    }

    Keys.onEscapePressed: answer(false)
}
