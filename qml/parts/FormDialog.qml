pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../limits.js" as Limits
import "../palette.js" as Palette
import "../sizes.js" as Sizes
import "../wording.js" as Wording

// A modal dialog of a view, centred on it. It is open exactly while `shown` (the view's state)
// holds: Cancel and Escape emit dismiss(), on which the view clears its state; a press outside
// does nothing, so what was typed is never thrown away by a stray click. Each opening emits
// opening(), on which the view empties or fills its fields; focus then lands in the first field.
// "Submit" (`submitText`) is enabled while every one of `rules` holds and no request of the dialog
// is under way, and emits submit(), as does Enter in a single-line field; send() posts on the
// view's behalf and reports the outcome. An error shown goes as soon as a field changes.
Dialog {
    id: dialog

    property bool shown: false
    property string submitText: "Submit"
    // What must hold before the form can be sent, one entry per rule in the order of the fields,
    // so that the first one not met can be named: a rule of limits.js, which says why it does not
    // hold, or a boolean.
    property var rules: []
    readonly property bool ready: rules.every(rule => Limits.holds(rule))
    // Shown beside a disabled submit: a grey button alone does not tell what is missing.
    readonly property string why: Limits.why(rules)
    property string errorText: ""
    // The dialog's requests, one at a time; a view that sends a second step after the first uses
    // it too, so the dialog stays busy throughout.
    readonly property Writer writer: Writer {}
    readonly property bool busy: writer.busy
    default property alias fields: fieldColumn.data

    signal opening()
    signal submit()
    signal dismiss()

    // Submits as the button would: only while it is enabled.
    function trySubmit() {
        if (submitButton.enabled)
            submit()
    }

    // Every field that can be edited clears the error shown when it changes.
    function watchFields(item) {
        for (var i = 0; i < item.children.length; ++i) {
            var child = item.children[i]
            if (child.hasOwnProperty("cursorPosition"))
                child.textChanged.connect(function () { dialog.errorText = "" })
            else if (child.hasOwnProperty("checked"))
                child.checkedChanged.connect(function () { dialog.errorText = "" })
            watchFields(child)
        }
    }

    // Sends the request; on a 2xx toasts `successText` and calls onSuccess(data), else toasts the
    // service's `error` text or "Failed", shows it in the dialog and keeps everything typed.
    // Nothing is sent while an earlier request of the dialog is under way.
    function send(method, path, body, successText, onSuccess) {
        if (busy)
            return
        errorText = ""
        writer.send(method, path, body, function (ok, data) {
            if (ok) {
                if (successText !== "")
                    session.toast(successText)
                if (onSuccess)
                    onSuccess(data)
            } else {
                dialog.errorText = Wording.said(data, "Failed")
                session.toast(dialog.errorText)
            }
        })
    }

    modal: true
    width: Sizes.dialog
    anchors.centerIn: parent
    closePolicy: Popup.CloseOnEscape
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
    Component.onCompleted: {
        // A reader hears the dialog by its title (Accessible attaches to items, not popups), and
        // reads and walks it from the top: the buttons come after the fields.
        contentItem.parent.Accessible.name = Qt.binding(() => dialog.title)
        var host = footer.parent
        footer.parent = null
        footer.parent = host
        watchFields(fieldColumn)
        if (shown)
            open()
    }
    // A request of an earlier opening, cancelled while under way, no longer holds the dialog: its
    // reply must not close or fill the form opened since.
    onAboutToShow: {
        writer.drop()
        errorText = ""
        opening()
    }
    onOpened: {
        var first = fieldColumn.nextItemInFocusChain(true)
        if (first && first !== cancelButton && first !== submitButton)
            first.forceActiveFocus(Qt.TabFocusReason)
    }
    // Closed by Escape while the view still holds its state: clear it.
    onClosed: if (shown) dismiss()

    Session {
        id: session
    }

    // The dialog's one child, which its size follows; the fields a view declares go into
    // `fieldColumn` (the dialog's default property).
    ColumnLayout {
        anchors.fill: parent
        spacing: 6
        // Return reaches here from single-line fields (a multi-line one keeps it for new lines).
        Keys.onReturnPressed: dialog.trySubmit()
        Keys.onEnterPressed: dialog.trySubmit()

        ColumnLayout {
            id: fieldColumn
            Layout.fillWidth: true
            spacing: 6
        }
        Line {
            objectName: dialog.objectName + "Why"
            visible: text !== ""
            text: dialog.why
        }
        Line {
            objectName: dialog.objectName + "Error"
            kind: "alarm"
            visible: dialog.errorText !== ""
            text: dialog.errorText
            Accessible.role: Accessible.AlertMessage
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
        SteadyButton {
            id: cancelButton
            objectName: dialog.objectName + "Cancel"
            text: "Cancel"
            onClicked: dialog.dismiss()
        }
        SteadyButton {
            id: submitButton
            objectName: dialog.objectName + "Submit"
            Layout.rightMargin: 6
            Layout.bottomMargin: 6
            text: dialog.submitText
            enabled: dialog.ready && !dialog.busy
            Accessible.description: dialog.why
            onClicked: dialog.submit()
        }
    }
}
