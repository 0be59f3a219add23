import QtQuick
import "../../qml/outcome.js" as Outcome

// The main window as views reach it (`win`), recording their calls for the tests to answer.
Item {
    property var user: null
    property bool active: true
    property bool serviceDown: false
    // Each entry: { id, method, path, body (the JSON text Api would be given), cb, asker, answered }.
    property var calls: []
    property var toasts: []
    // How often a page was asked to fetch again what it shows.
    property int reloads: 0

    function call(method, path, body, cb, asker) {
        var entry = { id: calls.length + 1, method: method, path: path,
                      body: JSON.stringify(body || {}), cb: cb, asker: asker, answered: false }
        calls = calls.concat([entry])
        // Api answers a method it does not know before request() returns.
        if (["GET", "POST", "PUT", "DELETE"].indexOf(method) < 0)
            answerCall(entry, 0, "Unsupported method")
    }

    function resume() {}

    function reloadPage() { reloads += 1 }

    function toast(msg) {
        toasts = toasts.concat([msg])
    }

    // --- for the tests ---

    function lastCall() {
        return calls.length > 0 ? calls[calls.length - 1] : null
    }

    function findCall(method, path) {
        return calls.find(c => c.method === method && c.path === path && !c.answered) || null
    }

    function count(method, path) {
        return calls.filter(c => c.method === method && c.path === path).length
    }

    // As Main answers: JSON parsed, else null; none once the asker is gone. Text bodies go as is.
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
