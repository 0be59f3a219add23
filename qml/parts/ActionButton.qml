pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import "../wording.js" as Wording

// A button that sends one request and toasts its outcome: `successText` on a 2xx (nothing when
// empty), else the service's `error` text or `failureText` (only `failureText` when
// `showServiceError` is false). One press, one request (Writer): while its request is under way
// it is disabled, so neither a second press nor Enter sends again. `done` follows the toast.
SteadyButton {
    id: button

    property string method: "POST"
    property string path: ""
    // The body, or a function that returns it at the moment of the click.
    property var body: ({})
    property string successText: ""
    property string failureText: "Failed"
    property bool showServiceError: true
    readonly property bool busy: writer.busy

    signal done(bool ok, var data)

    function run() {
        var given = body
        writer.send(method, path, typeof given === "function" ? given() : given, function (ok, data) {
            var text = ok ? button.successText
                          : (button.showServiceError ? Wording.said(data, button.failureText)
                                                     : button.failureText)
            if (text !== "")
                session.toast(text)
            button.done(ok, data)
        })
    }

    enabled: !busy
    onClicked: run()

    Writer {
        id: writer
    }
    Session {
        id: session
    }
}
