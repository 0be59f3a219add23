.pragma library
// How every document reads and judges a reply: one place parses the body and decides success
// (wording.js says what went wrong).

// The body as JSON when it is a non-empty text that parses, else null.
function parse(raw) {
    if (typeof raw !== "string" || raw.length === 0)
        return null
    try {
        return JSON.parse(raw)
    } catch (e) {
        return null
    }
}

// Success is an HTTP 2xx; status 0 (no answer, unsupported method) is a failure.
function ok(status) {
    return status >= 200 && status <= 299
}

// An object that is no list: what every answer the views read is at its top.
function isRecord(value) {
    return value !== null && typeof value === "object" && !Array.isArray(value)
}

// The kinds of member a view can expect in an answer, by name. A list sent as an object keyed
// "0", "1" is no list, and a record may not be a list either.
var kinds = {
    "list": Array.isArray,
    "record": isRecord,
    "record or none": function (value) {
        return value === undefined || value === null || isRecord(value)
    },
    "flag": function (value) {
        return typeof value === "boolean"
    },
    "count": function (value) {
        return Number.isSafeInteger(value) && value >= 0
    }
}

// Whether an answer's body is an object holding what the view reads: `expects` names each member
// with its kind ({ projects: "list" }). An unknown kind holds for nothing, so a misspelt one shows
// as a failed load instead of passing anything through.
function holds(data, expects) {
    if (!isRecord(data))
        return false
    for (var member in expects) {
        var holdsKind = kinds[expects[member]]
        if (!holdsKind || !holdsKind(data[member]))
            return false
    }
    return true
}

// A load counts only a 2xx whose body holds what the view reads; anything else (a list or a
// number at the top, {"error": …} with 200, a list member sent as an object) cannot be read.
function loaded(status, data, expects) {
    return ok(status) && holds(data, expects || {})
}

// The user record of an "api/auth/me" answer: its `user` when that is an object, else null
// (a number, a string, false or a list is no user).
function userOf(status, data) {
    if (status !== 200 || !data)
        return null
    var u = data.user
    return (u !== null && typeof u === "object" && !Array.isArray(u)) ? u : null
}

// An id or a name put into a path as one segment.
function seg(value) {
    return encodeURIComponent(String(value))
}
