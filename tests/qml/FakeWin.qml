import QtQuick
import "qrc:/qt/qml/Velto/qml/outcome.js" as Outcome

// A recording stand-in for the main window. Give it the id `win` in a test document and create
// the view under test from a Component declared in that document: the view then reaches this
// object by the name `win`, exactly as it reaches the real window inside the program.
Item {
    id: fake

    property var user: null

    // Each entry: { id, method, path, body (the JSON text Api would be given), cb, answered }.
    property var calls: []
    property var toasts: []
    property int seq: 0

    function call(method, path, body, cb) {
        seq += 1
        var entry = {
            id: seq,
            method: method,
            path: path,
            body: JSON.stringify(body || {}),
            cb: cb,
            answered: false
        }
        calls = calls.concat([entry])
        // Api answers a method it does not know before request() returns.
        if (["GET", "POST", "PUT", "DELETE"].indexOf(method) < 0)
            answerCall(entry, 0, "Unsupported method")
    }

    function toast(msg) {
        toasts = toasts.concat([msg])
    }

    function reset() {
        user = null
        calls = []
        toasts = []
        seq = 0
    }

    // --- for the tests ---

    function lastCall() {
        return calls.length > 0 ? calls[calls.length - 1] : null
    }

    // The first call with this method and path that has not been answered yet, or null.
    function findCall(method, path) {
        for (var i = 0; i < calls.length; ++i) {
            var c = calls[i]
            if (c.method === method && c.path === path && !c.answered)
                return c
        }
        return null
    }

    // Every call's "METHOD path", in order: handy in failure messages.
    function summary() {
        return calls.map(function (c) { return c.method + " " + c.path }).join(", ")
    }

    // Answers a recorded call as Main does: the body is parsed when it is JSON, else null.
    function answerCall(entry, status, raw) {
        if (entry.answered)
            throw new Error("call " + entry.id + " was answered already")
        entry.answered = true
        if (typeof entry.cb === "function")
            entry.cb(status, Outcome.parse(raw), raw)
    }

    // A body given as text is delivered as it stands, anything else as its JSON text; none
    // gives the empty body.
    function bodyText(body) {
        if (body === undefined)
            return ""
        return typeof body === "string" ? body : JSON.stringify(body)
    }

    // Answers the pending call with this method and path. Throws when there is no such call.
    function answer(method, path, status, body) {
        var c = findCall(method, path)
        if (c === null)
            throw new Error("no pending " + method + " " + path + " (calls: " + summary() + ")")
        answerCall(c, status, bodyText(body))
        return c
    }

    function answerLast(status, body) {
        var c = lastCall()
        if (c === null)
            throw new Error("no call to answer")
        answerCall(c, status, bodyText(body))
        return c
    }
}
