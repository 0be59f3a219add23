.pragma library
// How every document reads and judges a reply: one place parses the body, decides success and
// picks the text to show.

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

// The service's `error` text when it sent a non-empty one, else the caller's fixed text.
function failText(data, fallback) {
    if (data && typeof data.error === "string" && data.error.length > 0)
        return data.error
    return fallback
}

// What a person is told when no answer came at all (status 0).
var unreachable = "Cannot reach the Velto service"

// Why a load did not count, in a person's words: no answer (with the network's reason), the
// session gone, a failing service, an answer that is not JSON, or the service's own refusal.
function loadFailure(status, data, raw) {
    if (status === 0)
        return unreachable + (typeof raw === "string" && raw !== "" ? " (" + raw + ")" : "")
    if (status === 401)
        return "Your session has ended"
    if (status >= 500)
        return failText(data, "The Velto service had a problem") + " (status " + status + ")"
    if (ok(status))
        return "The service's answer could not be read"
    return failText(data, "The service refused (status " + status + ")")
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
