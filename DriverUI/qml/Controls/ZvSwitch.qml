import QtQuick 2.15
import QtQuick.Controls 2.15
import "../UIHelper.js" as UIHelper

// An on/off switch; its label is the row's, `source` names it for screen readers.
Switch {
    property string source: ""

    Accessible.name: UIHelper.tr(source)
    focusPolicy: Qt.StrongFocus
    Keys.onReturnPressed: toggle(), toggled()
}
