pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion

// A check box with a focus ring that shows where the keyboard is; its label is plain text.
CheckBox {
    id: control

    Accessible.role: Accessible.CheckBox
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
