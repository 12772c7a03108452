import QtQuick 2.15
import QtQuick.Layouts 1.15
import ".."
import "../Controls"
import "SettingPageSubs"

// The device view: the left bar with the pages of the tablet, the pen and the settings, the
// device selector below it, and the page chosen on the right.
Item {
    id: page

    // The page shown, in the order of the left bar.
    property int section: 0
    readonly property var sections: ["tabletKeys", "workArea", "penKeys", "pressure",
                                     "thisDevice", "backup", "general", "about"]

    function show(name) {
        var i = sections.indexOf(name)
        if (i >= 0)
            section = i
    }

    // Keys nobody took on the way up from the focused control.
    Keys.onPressed: {
        if (sections[section] === "about" && aboutPage.takeKey(event))
            event.accepted = true
    }

    Rectangle {
        id: leftBar
        x: 16
        y: 8
        width: 240
        height: parent.height - 24
        radius: 16
        color: "#ffffff"

        Column {
            id: nav
            x: 12
            y: 12
            width: parent.width - 24
            spacing: 2

            component Header: ZvText {
                width: nav.width
                height: 32
                leftPadding: 8
                color: "#6b7280"
                font.pixelSize: 13
                font.bold: true
            }
            component Entry: ZvNavButton {
                property string name: ""
                objectName: "nav_" + name
                width: nav.width
                checked: page.sections[page.section] === name
                onClicked: page.show(name)
            }

            Header { source: "数位板" }
            Entry { name: "tabletKeys"; source: "快捷键" }
            Entry { name: "workArea"; source: "工作区域" }
            Header { source: "笔" }
            Entry { name: "penKeys"; source: "笔按键" }
            Entry { name: "pressure"; source: "压感" }
            Header { source: "设置" }
            Entry { name: "thisDevice"; source: "本机" }
            Entry { name: "backup"; source: "备份" }
            Entry { name: "general"; source: "通用" }
            Entry { name: "about"; source: "关于" }
            ZvNavButton {
                objectName: "nav_shop"
                width: nav.width
                source: "商城"
                visible: uiManager.getMallUrl() !== ""
                onClicked: Qt.openUrlExternally(uiManager.getMallUrl())
            }
        }

        MainBottombar {
            objectName: "deviceSelector"
            x: 12
            width: parent.width - 24
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 12
        }
    }

    Item {
        id: content
        x: leftBar.x + leftBar.width + 16
        y: 8
        width: parent.width - x - 16
        height: parent.height - 24

        ZvText {
            id: deviceTitle
            objectName: "deviceTitle"
            width: parent.width
            height: 40
            leftPadding: 8
            verbatim: true
            source: mainWindow.currentDev >= 0 && mainWindow.configRevision >= 0
                    ? uiManager.getDevTitle(mainWindow.currentDev) : ""
            font.pixelSize: 20
            font.bold: true
        }

        Rectangle {
            y: deviceTitle.height + 8
            width: parent.width
            height: parent.height - y
            radius: 16
            color: "#ffffff"

            StackLayout {
                anchors.fill: parent
                anchors.margins: 24
                currentIndex: page.section

                PlaceholderPage { title: "数位板快捷键" }
                PlaceholderPage { title: "工作区域" }
                PlaceholderPage { title: "笔按键" }
                PlaceholderPage { title: "压感" }
                ThisDevice { objectName: "thisDevicePage" }
                Backup { objectName: "backupPage" }
                General { objectName: "generalPage" }
                About {
                    id: aboutPage
                    objectName: "aboutPage"
                }
            }
        }
    }
}
