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

// A load counts only status 200 with a JSON body.
function loaded(status, data) {
    return status === 200 && data !== null && data !== undefined
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
