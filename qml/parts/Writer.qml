pragma ComponentBehavior: Bound
import QtQml
import "../outcome.js" as Outcome
import "../wording.js" as Wording

// One write request at a time, for a button, a dialog or a form: while one is under way `busy`
// holds and send() sends nothing more, so neither a second press nor Enter sends twice. The
// answer reaches then(ok, data, status, raw), `ok` for a 2xx, unless the writer is gone or drop()
// let go of the request first (the dialog it was sent from closed and opened again).
//
// A write that ends with no answer (status 0: the connection dropped, the client's own time-out,
// a redirect away from the service) may still have been carried out: the service can commit and
// then lose its answer on the way back. It is told as such, never as a plain failure the person
// would simply try again, and the page in front fetches again what it shows, so the person sees
// whether the order, payment or withdrawal exists. then() still follows, with `ok` false and these
// words as the `error` of `data`, so a dialog or button that shows the service's words shows them.
QtObject {
    id: writer

    readonly property bool busy: request.busy
    readonly property Latest request: Latest {}
    // False for the sign-in form: nothing it sends shows on a page, and it words its failures.
    property bool tellsUnknown: true
    readonly property Session session: Session {}

    // Sends unless a request is under way; whether it sent.
    function send(method, path, body, then) {
        if (busy)
            return false
        request.call(method, path, body, function (status, data, raw) {
            var unknown = status === 0 && method !== "GET" && writer.tellsUnknown
            then(Outcome.ok(status), unknown ? { error: Wording.unanswered } : data, status, raw)
            if (!unknown)
                return
            // After the caller's own words, so that the toast left standing is this one.
            writer.session.toast(Wording.unanswered)
            writer.session.window.reloadPage()
        })
        return true
    }

    function drop() {
        request.drop()
    }
}
