pragma ComponentBehavior: Bound
import QtQml
import "../outcome.js" as Outcome

// One write request at a time, for a button, a dialog or a form: while one is under way `busy`
// holds and send() sends nothing more, so neither a second press nor Enter sends twice. The
// answer reaches then(ok, data, status, raw), `ok` for a 2xx, unless the writer is gone or drop()
// let go of the request first (the dialog it was sent from closed and opened again).
QtObject {
    id: writer

    readonly property bool busy: request.busy
    readonly property Latest request: Latest {}

    // Sends unless a request is under way; whether it sent.
    function send(method, path, body, then) {
        if (busy)
            return false
        request.call(method, path, body, function (status, data, raw) {
            then(Outcome.ok(status), data, status, raw)
        })
        return true
    }

    function drop() {
        request.drop()
    }
}
