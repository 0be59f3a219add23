import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../outcome.js" as Outcome
import "../palette.js" as Palette

// A modal dialog of a view, centred on it. It is open exactly while `shown` (the view's state)
// holds: Cancel, Escape and a press outside emit dismiss(), on which the view clears its state.
// Each opening emits opening(), on which the view empties or fills its fields; focus then lands
// in the first field. "Submit" (`submitText`) is enabled by `canSubmit` and emits submit();
// send() posts on the view's behalf and reports the outcome.
Dialog {
    id: dialog

    property bool shown: false
    property string submitText: "Submit"
    property bool canSubmit: true
    property bool busy: false
    property string errorText: ""
    default property alias fields: fieldColumn.data
    property alias fieldSpacing: fieldColumn.spacing

    signal opening()
    signal submit()
    signal dismiss()

    // Sends the request; on a 2xx toasts `successText` and calls onSuccess(data), else toasts the
    // service's `error` text or "Failed", shows it in the dialog and keeps everything typed.
    function send(method, path, body, successText, onSuccess) {
        busy = true
        errorText = ""
        win.call(method, path, body, function (status, data) {
            dialog.busy = false
            if (Outcome.ok(status)) {
                if (successText !== "")
                    win.toast(successText)
                if (onSuccess)
                    onSuccess(data)
            } else {
                dialog.errorText = Outcome.failText(data, "Failed")
                win.toast(dialog.errorText)
            }
        })
    }

    modal: true
    width: 460
    anchors.centerIn: parent
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    // Popups do not take the window's palette: light text on the dark card, as on the pages.
    palette.window: Palette.card
    palette.windowText: Palette.text
    palette.button: Palette.control
    // Per state: setting all groups at once would also paint disabled buttons white.
    palette.active.buttonText: Palette.text
    palette.inactive.buttonText: Palette.text
    palette.highlight: Palette.accent
    palette.disabled.buttonText: Palette.muted

    header: Label {
        text: dialog.title
        visible: dialog.title !== ""
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: Palette.text
        font.bold: true
        padding: 12
    }

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()
    onAboutToShow: {
        errorText = ""
        opening()
    }
    onOpened: {
        var first = fieldColumn.nextItemInFocusChain(true)
        if (first && first !== cancelButton && first !== submitButton)
            first.forceActiveFocus(Qt.TabFocusReason)
    }
    // Closed by Escape or a press outside while the view still holds its state: clear it.
    onClosed: if (shown) dismiss()

    contentItem: ColumnLayout {
        spacing: 6

        ColumnLayout {
            id: fieldColumn
            Layout.fillWidth: true
            spacing: 6
        }
        Label {
            objectName: dialog.objectName + "Error"
            Layout.fillWidth: true
            visible: dialog.errorText !== ""
            text: dialog.errorText
            color: Palette.alarm
            wrapMode: Text.WordWrap
        }
    }

    footer: RowLayout {
        spacing: 8

        Item {
            Layout.fillWidth: true
        }
        BusyIndicator {
            visible: dialog.busy
            running: dialog.busy
            implicitWidth: 24
            implicitHeight: 24
            palette.text: "white"
        }
        Button {
            id: cancelButton
            objectName: dialog.objectName + "Cancel"
            text: "Cancel"
            onClicked: dialog.dismiss()
        }
        Button {
            id: submitButton
            objectName: dialog.objectName + "Submit"
            Layout.rightMargin: 6
            Layout.bottomMargin: 6
            // A single "&" would mark a shortcut key ("Post & publish"): show it as typed.
            text: dialog.submitText.replace(/&/g, "&&")
            Accessible.name: dialog.submitText
            enabled: dialog.canSubmit
            onClicked: dialog.submit()
        }
    }
}
