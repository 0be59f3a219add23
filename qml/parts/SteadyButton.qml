import QtQuick
import QtQuick.Controls.Fusion

// The button of every page. Its text is never read as markup (it may hold the service's words),
// and it ignores a press that comes sooner than the platform's double-click interval after it
// appeared or changed its text: that press is the second half of a double click meant for the
// button that was in its place ("Fund" funds, and "Dispute" takes its place under the pointer).
Button {
    id: control

    // When the button last appeared or changed what it does, in ms since the epoch.
    property double appearedAt: 0

    function appeared() {
        if (visible)
            appearedAt = Date.now()
    }

    Component.onCompleted: appeared()
    onVisibleChanged: appeared()
    onTextChanged: appeared()

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.palette.buttonText
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    // Above the button's own handling: swallows a stray press, lets every other one through.
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        onPressed: function (mouse) {
            mouse.accepted = Date.now() - control.appearedAt < Qt.styleHints.mouseDoubleClickInterval
        }
    }
}
