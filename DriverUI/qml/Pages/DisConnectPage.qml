import QtQuick 2.15
import "../Controls"

// Shown while no tablet is connected: either the driver is not running at all, or it runs and
// waits for a tablet. The two need different things from the user, so they say different things.
Item {
    id: page

    property bool coreRunning: false

    Column {
        anchors.centerIn: parent
        width: 640
        spacing: 20

        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 128
            height: 128
            source: "qrc:/Images/Icon_d.png"
            // Not kept in Qt Quick's image cache, which outlives the engine.
            cache: false
        }
        ZvText {
            objectName: "disconnectTitle"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            source: page.coreRunning ? "未连接数位板" : "驱动程序未运行"
            font.pixelSize: 26
            font.bold: true
        }
        ZvText {
            objectName: "disconnectHint"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            elide: Text.ElideNone
            color: "#4b5563"
            source: page.coreRunning ? "请用 USB 线或蓝牙连接数位板，连接后这里会显示它的设置。"
                                     : "数位板驱动服务 ZervaCore 没有在运行。请启动它，或重新安装驱动程序。"
        }
        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 24

            ZvLink {
                source: "使用帮助"
                url: uiManager.getHelpUrl()
            }
            ZvLink {
                source: "常见问题"
                url: uiManager.getFAQUrl()
            }
            ZvLink {
                source: "官方商城"
                url: uiManager.getInternationalVer() === 0 ? uiManager.getMallUrl() : ""
            }
        }
    }
}
