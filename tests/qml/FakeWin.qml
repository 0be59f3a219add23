import QtQuick
import "../../qml/outcome.js" as Outcome

// A recording stand-in for the main window: what views use of it (user, call, toast, active)
// and, for the tests, its calls to answer. ViewCase publishes one by the name `win`, the name by
// which views reach the real window inside the program.
Item {
    property var user: null
    // The window has the focus (SkillsView counts losing it).
    property bool active: true
    // The stored sign-in could not be checked: the sign-in page says so and offers to try again
    // (resume()); tst_e2e_trust walks that against a service that went away.
    property bool serviceDown: false
    // Each entry: { id, method, path, body (the JSON text Api would be given), cb, asker, answered }.
    property var calls: []
    property var toasts: []

    function call(method, path, body, cb, asker) {
        var entry = { id: calls.length + 1, method: method, path: path,
                      body: JSON.stringify(body || {}), cb: cb, asker: asker, answered: false }
        calls = calls.concat([entry])
        // Api answers a method it does not know before request() returns.
        if (["GET", "POST", "PUT", "DELETE"].indexOf(method) < 0)
            answerCall(entry, 0, "Unsupported method")
    }

    function resume() {}

    // How often a page was asked to fetch again what it shows.
    property int reloads: 0
    function reloadPage() { reloads += 1 }

    function toast(msg) {
        toasts = toasts.concat([msg])
    }

    // --- for the tests ---

    function lastCall() {
        return calls.length > 0 ? calls[calls.length - 1] : null
    }

    // The first call with this method and path that has not been answered yet, or null.
    function findCall(method, path) {
        return calls.find(c => c.method === method && c.path === path && !c.answered) || null
    }

    // The calls made with this method and path, answered or not.
    function count(method, path) {
        return calls.filter(c => c.method === method && c.path === path).length
    }

    // Answers a call as Main does: the body is parsed when it is JSON, else null, and the reply
    // goes nowhere once its asker is gone. A body given as text is delivered as it stands, anything
    // else as its JSON text; none gives "".
    function answerCall(entry, status, body) {
        if (entry.answered)
            throw new Error("call " + entry.id + " was answered already")
        entry.answered = true
        var raw = body === undefined ? "" : typeof body === "string" ? body : JSON.stringify(body)
        var wanted = entry.asker === undefined || entry.asker === null || Qt.isQtObject(entry.asker)
        if (typeof entry.cb === "function" && wanted)
            entry.cb(status, Outcome.parse(raw), raw)
        return entry
    }

    // Answers the pending call with this method and path. Throws when there is no such call.
    function answer(method, path, status, body) {
        var c = findCall(method, path)
        if (c === null)
            throw new Error("no pending " + method + " " + path + " (calls: "
                            + calls.map(c => c.method + " " + c.path).join(", ") + ")")
        return answerCall(c, status, body)
    }

    function answerLast(status, body) {
        return answerCall(lastCall(), status, body)
    }
}
