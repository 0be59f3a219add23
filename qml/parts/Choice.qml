pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import "../focus.js" as Focus

// A radio button whose label is never read as markup (exam options are the service's words),
// with a focus ring that shows where the keyboard is. In a list it is reached by Tab only on the
// current row.
RadioButton {
    id: control

    property var listRow: null

    Component.onCompleted: listRow = Focus.nearest(control, "currentRow")
    activeFocusOnTab: !listRow || listRow.currentRow
    onActiveFocusChanged: if (activeFocus) Focus.arrived(control, listRow)

    Accessible.role: Accessible.RadioButton
    Accessible.name: text

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.palette.windowText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    FocusRing {
        shown: control.visualFocus
    }
}
