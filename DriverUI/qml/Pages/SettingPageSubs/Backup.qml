import QtQuick 2.15
import QtQuick.Dialogs 1.3
import "../../UIHelper.js" as UIHelper
import "../../Controls"

// Export, import and restore of the device's settings. Each asks first and says how it ended;
// a file that is not this model's settings is refused by the store, never half applied.
Column {
    id: page

    function requestExport(path) {
        if (path === "")
            return
        messageBox.ask("将当前设备的设置导出到所选文件吗？", function () {
            if (uiManager.exportCfg(path))
                messageBox.tell("设置已导出。", false)
            else
                messageBox.tell("无法导出设置：文件无法写入。", true)
        })
    }
    function requestImport(path) {
        if (path === "")
            return
        messageBox.ask("导入后，当前设备的设置将被文件中的设置替换。继续吗？", function () {
            if (uiManager.loadCfg(path))
                messageBox.tell("设置已导入。", false)
            else
                messageBox.tell("无法导入设置：文件不是此型号的设置，或设置无法保存。", true)
        })
    }
    function requestRestore() {
        messageBox.ask("当前设备的所有设置将恢复为出厂默认值。继续吗？", function () {
            if (uiManager.loadDefCfg())
                messageBox.tell("已恢复默认设置。", false)
            else
                messageBox.tell("无法恢复默认设置：设置无法保存。", true)
        })
    }

    spacing: 0

    ZvText {
        source: "备份"
        font.pixelSize: 18
        font.bold: true
        height: 40
    }
    ZvRow {
        label: "导出设置到文件"
        ZvButton {
            objectName: "exportButton"
            source: "导出"
            onClicked: exportDialog.open()
        }
    }
    ZvRow {
        label: "从文件导入设置"
        ZvButton {
            objectName: "importButton"
            source: "导入"
            onClicked: importDialog.open()
        }
    }
    ZvRow {
        label: "恢复默认设置"
        ZvButton {
            objectName: "restoreButton"
            source: "恢复"
            onClicked: page.requestRestore()
        }
    }

    FileDialog {
        id: exportDialog
        title: UIHelper.tr("导出设置到文件")
        selectExisting: false
        defaultSuffix: "cfg"
        nameFilters: [UIHelper.tr("设置文件") + " (*.cfg)"]
        onAccepted: page.requestExport(uiManager.localPath(fileUrl))
    }
    FileDialog {
        id: importDialog
        title: UIHelper.tr("从文件导入设置")
        selectExisting: true
        nameFilters: [UIHelper.tr("设置文件") + " (*.cfg)"]
        onAccepted: page.requestImport(uiManager.localPath(fileUrl))
    }
}
