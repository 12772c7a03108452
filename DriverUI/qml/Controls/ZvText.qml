import QtQuick 2.15
import "../UIHelper.js" as UIHelper

// A label. `source` is the text as the table knows it (Simplified Chinese) and is shown
// translated; `verbatim` texts (device names, versions, paths) are shown as they are.
Text {
    property string source: ""
    property bool verbatim: false

    text: verbatim ? source : UIHelper.tr(source)
    color: "#1f2329"
    font.pixelSize: 14
    elide: Text.ElideRight
    verticalAlignment: Text.AlignVCenter
}
