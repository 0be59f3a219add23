pragma ComponentBehavior: Bound
import QtQml
import "../outcome.js" as Outcome
import "../wording.js" as Wording

// Requests of one kind on a page (its list, the detail shown, an exam being started) where only
// the newest counts: the reply to a request that a later one (or drop()) superseded is dropped,
// so a slow old answer never overwrites a newer one nor pulls the person back to a page they
// left. A load through get() counts only an answer holding what the page reads (`expects`); one
// that fails keeps what the page shows and says why in `failure`; retry() asks again.
QtObject {
    id: latest

    property bool busy: false
    // What a load's answer must hold for the page to read it, each member by name with its kind:
    // ({ contest: "record", entries: "list" }) (outcome.js names the kinds).
    property var expects: ({})
    // Why the last load failed, in a person's words; "" once one succeeds.
    property string failure: ""
    property int issued: 0
    // The last load, for retry(): its path and what to do with its answer.
    property string againPath: ""
    property var againThen: null

    // Sends a request whose callback runs only while it is still the newest, and while this
    // object lives: the window drops the reply of an asker that is gone. (`win`, the window's
    // id, reaches every document out of qmllint's sight: hence the marked line.)
    function call(method, path, body, cb) {
        var token = ++issued
        busy = true
        win.call(method, path, body, function (status, data, raw) { // qmllint disable unqualified
            if (token !== latest.issued)
                return // superseded
            latest.busy = false
            cb(status, data, raw)
        }, latest)
    }

    // Loads `path`; onLoaded(data) follows a 2xx whose body holds what `expects` names.
    function get(path, onLoaded) {
        againPath = path
        againThen = onLoaded
        call("GET", path, null, function (status, data, raw) {
            if (!Outcome.loaded(status, data, latest.expects)) {
                latest.failure = Wording.failure(status, data, raw)
                return
            }
            latest.failure = ""
            onLoaded(data)
        })
    }

    function retry() {
        if (againPath !== "")
            get(againPath, againThen)
    }

    // Whatever is still under way is no longer wanted (the page it was for has gone).
    function drop() {
        ++issued
        busy = false
        failure = ""
    }
}
