import QtQuick 2.15
import "../../Controls"

// The program's version and years, and the maker's links. Holding Ctrl and typing the word of
// the page shows one more line: where the program is installed, for a support call.
Item {
    id: page

    property string typed: ""

    // A key press that reached the device view while this page is shown, wherever the focus is
    // (on the left bar's entry just clicked, say). True when it was one of the word's.
    function takeKey(event) {
        if (!(event.modifiers & Qt.ControlModifier) || event.key < Qt.Key_A || event.key > Qt.Key_Z)
            return false
        typed = (typed + uiManager.makeASCIIToString(String.fromCharCode(event.key), false)).slice(-6)
        if (jsonTrans.strToLowerCompare(typed))
            hiddenLine.visible = true
        return true
    }

    Column {
        width: parent.width
        spacing: 12

        ZvText {
            source: "关于"
            font.pixelSize: 18
            font.bold: true
            height: 40
        }
        Image {
            width: 96
            height: 96
            source: "qrc:/Images/Icon.png"
            // Not kept in Qt Quick's image cache, which outlives the engine.
            cache: false
        }
        ZvText {
            source: "ZervaTablet"
            verbatim: true
            font.pixelSize: 20
            font.bold: true
        }
        Row {
            spacing: 8
            ZvText { source: "版本" }
            ZvText {
                objectName: "softwareVersion"
                source: uiManager.getSoftWareVer()
                verbatim: true
            }
        }
        ZvText {
            objectName: "copyright"
            source: uiManager.getCopyright()
            verbatim: true
            color: "#6b7280"
        }
        ZvText {
            id: hiddenLine
            objectName: "hiddenLine"
            visible: false
            verbatim: true
            source: uiManager.tabletPath()
            color: "#6b7280"
        }
        Flow {
            width: parent.width
            spacing: 20

            ZvLink { source: "检查更新"; url: uiManager.getUpdateUrl() }
            ZvLink { source: "更新日志"; url: uiManager.getUpdateLogUrl() }
            ZvLink { source: "意见反馈"; url: uiManager.getFeedBackUrl() }
            ZvLink { source: "许可协议"; url: uiManager.getLicenseUrl() }
            ZvLink { source: "使用帮助"; url: uiManager.getHelpUrl() }
        }
    }
}
