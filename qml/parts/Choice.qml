import QtQuick
import QtQuick.Controls.Fusion

// A radio button whose label is never read as markup: exam options are the service's words.
RadioButton {
    id: control

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.palette.windowText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
}
