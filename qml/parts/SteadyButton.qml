pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import "../focus.js" as Focus

// The button of every page.
// - Its text is never read as markup (it may hold the service's words).
// - It ignores a press that comes sooner than the platform's double-click interval after it
//   appeared or changed its text: that press is the second half of a double click meant for the
//   button that was in its place ("Fund" funds, and "Dispute" takes its place under the pointer).
// - Return and Enter press it as Space does; its focus ring differs from a highlighted button.
// - In a list it is reached by Tab only on the current row, and a reader hears which row it acts
//   on ("Fund" of two milestones is told apart by the milestone's title).
Button {
    id: control

    // When the button last appeared or changed what it does, in ms since the epoch.
    property double appearedAt: 0
    // The nearest row around it: the list row whose current state gates Tab, and the row whose
    // label tells a reader what the button acts on.
    property var listRow: null
    property var labelRow: null

    function appeared() {
        if (visible)
            appearedAt = Date.now()
    }

    function press(event) {
        event.accepted = true
        if (enabled)
            clicked()
    }

    Component.onCompleted: {
        listRow = Focus.nearest(control, "currentRow")
        labelRow = Focus.nearest(control, "rowLabel")
        appeared()
    }
    onVisibleChanged: appeared()
    onTextChanged: appeared()
    onActiveFocusChanged: if (activeFocus) Focus.arrived(control, listRow)

    activeFocusOnTab: !listRow || listRow.currentRow
    Keys.onReturnPressed: function (event) { control.press(event) }
    Keys.onEnterPressed: function (event) { control.press(event) }

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: labelRow ? labelRow.rowLabel : ""
    Accessible.onPressAction: if (enabled) clicked()

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

    FocusRing {
        shown: control.visualFocus
        outset: 2
    }
}
