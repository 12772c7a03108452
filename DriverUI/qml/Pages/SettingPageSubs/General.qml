import QtQuick 2.15
import QtQuick.Controls 2.15
import "../../UIHelper.js" as UIHelper
import "../../Controls"

// Language, the show-window hot key and the start at login.
Column {
    id: page

    // The languages the tablet lists; the two complete ones when it lists none.
    readonly property var languages: mainWindow.langList.length > 0 ? mainWindow.langList
                                                                    : [uiManager.getLangName("zh_CN"), uiManager.getLangName("en")]

    function chooseLanguage(name) {
        var code = uiManager.getLangCode(name)
        if (code === "")
            return
        jsonTrans.setTransMode(code)
        langManager.loadLanguage(code)
        jsonTrans.startTrans()
    }
    function takeHotKey(text) {
        if (text === "")
            return false
        if (uiManager.setHotKey(text)) {
            mainWindow.hotKeyMessage = ""
            hotKeyBox.hotKey = text
            return true
        }
        mainWindow.hotKeyMessage = "热键冲突，请重新设定"
        return false
    }

    // The language in use, shown once the list has been filled again.
    function syncLanguage() {
        languageBox.currentIndex = languages.indexOf(uiManager.getLangName(jsonTrans.getLanguegeMode()))
    }
    Connections {
        target: jsonTrans
        function onSignal_translationed() { Qt.callLater(page.syncLanguage) }
    }
    onLanguagesChanged: Qt.callLater(syncLanguage)
    Component.onCompleted: syncLanguage()

    spacing: 0

    ZvText {
        source: "通用"
        font.pixelSize: 18
        font.bold: true
        height: 40
    }
    ZvRow {
        label: "语言"
        ComboBox {
            id: languageBox
            objectName: "languageBox"
            width: 220
            model: page.languages
            Accessible.name: UIHelper.tr("语言")
            onActivated: page.chooseLanguage(page.languages[index])
        }
    }
    ZvRow {
        label: "显示/隐藏窗口的快捷键"
        // Takes the next key press with its modifiers as the new hot key.
        Rectangle {
            id: hotKeyBox
            objectName: "hotKeyBox"

            property string hotKey: uiManager.getHotKey()

            width: 220
            height: 36
            radius: 8
            color: activeFocus ? "#e8effd" : "#ffffff"
            border.color: activeFocus ? "#2f6fed" : "#d5d9e0"
            border.width: activeFocus ? 2 : 1
            activeFocusOnTab: true
            Accessible.role: Accessible.EditableText
            Accessible.name: UIHelper.tr("显示/隐藏窗口的快捷键")
            Accessible.description: hotKey

            ZvText {
                anchors.fill: parent
                anchors.leftMargin: 12
                anchors.rightMargin: 12
                verbatim: !hotKeyBox.activeFocus
                source: hotKeyBox.activeFocus ? "请按下新的快捷键" : hotKeyBox.hotKey
                color: hotKeyBox.activeFocus ? "#6b7280" : "#1f2329"
            }
            MouseArea {
                anchors.fill: parent
                onClicked: hotKeyBox.forceActiveFocus()
            }
            Keys.onPressed: {
                if (event.key === Qt.Key_Tab || event.key === Qt.Key_Backtab)
                    return
                event.accepted = true
                if (event.key === Qt.Key_Escape) {
                    hotKeyBox.focus = false
                    return
                }
                if (page.takeHotKey(uiManager.hotKeyTextOf(event.key, event.modifiers)))
                    hotKeyBox.focus = false
            }
        }
    }
    ZvText {
        objectName: "hotKeyConflict"
        width: parent.width
        height: visible ? 28 : 0
        visible: mainWindow.hotKeyMessage !== ""
        source: mainWindow.hotKeyMessage
        color: "#d93025"
    }
    ZvRow {
        label: "登录时自动启动"
        ZvSwitch {
            id: autoStart
            objectName: "autoStartSwitch"
            source: "登录时自动启动"
            checked: uiManager.getCheckAutoStart() === 1
            onToggled: {
                var ok = checked ? uiManager.setAutoStart() : uiManager.rmAutoStart()
                if (!ok) {
                    checked = uiManager.getCheckAutoStart() === 1
                    messageBox.tell("无法更改登录时自动启动的设置。", true)
                }
            }
        }
    }
}
