pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import "../outcome.js" as Outcome

// A button that sends one request and toasts its outcome: `successText` on a 2xx (nothing when
// empty), else the service's `error` text or `failureText` (only `failureText` when
// `showServiceError` is false). One press, one request: while its request is under way it is
// disabled, so neither a second press nor Enter sends again. `done` follows the toast.
SteadyButton {
    id: button

    property string method: "POST"
    property string path: ""
    // The body, or a function that returns it at the moment of the click.
    property var body: ({})
    property string successText: ""
    property string failureText: "Failed"
    property bool showServiceError: true
    property bool busy: false

    signal done(bool ok, var data)

    function run() {
        if (busy)
            return
        busy = true
        var given = body
        var payload = typeof given === "function" ? given() : given
        win.call(method, path, payload, function (status, data) { // qmllint disable unqualified
            button.busy = false
            var ok = Outcome.ok(status)
            var text = ok ? button.successText
                          : (button.showServiceError ? Outcome.failText(data, button.failureText)
                                                     : button.failureText)
            if (text !== "")
                win.toast(text) // qmllint disable unqualified
            button.done(ok, data)
        }, button)
    }

    enabled: !busy
    onClicked: run()
}
