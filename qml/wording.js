.pragma library
.import "outcome.js" as Outcome
.import "value.js" as Value
// Every failure in a person's words, in one place: the service's own words when it sent some,
// else what happened, told by the status. The lists' loads, the actions and the sign-in form all
// word their failures here.

// What a person is told when no answer came at all (status 0).
var unreachable = "Cannot reach the Velto service"

// What a person is told when a write got no answer (status 0: no connection, the client's own
// time-out, a redirect elsewhere): the service may have carried it out before the answer was
// lost, so it is neither a success nor a failure, and the page shows what the service holds.
var unanswered = "The service did not answer, so whether this was done is unknown. "
    + "The page was reloaded to show what the service holds."

// The service's `error` text when it sent a non-empty one (as every service text is shown,
// value.js), else the caller's fixed text.
function said(data, fallback) {
    if (data && typeof data.error === "string" && data.error.length > 0)
        return Value.text(data.error)
    return fallback
}

// Why a request failed: no answer (with the network's reason), a failing service (with its
// status, so it is never taken for a refusal), an answer that cannot be read, or a refusal in the
// service's words, else in `refused` (the caller's words for it), else by its status.
function failure(status, data, raw, refused) {
    if (status === 0)
        return unreachable + (typeof raw === "string" && raw !== "" ? " (" + raw + ")" : "")
    if (status >= 500)
        return said(data, "The Velto service had a problem") + " (status " + status + ")"
    if (Outcome.ok(status))
        return "The service's answer could not be read"
    return said(data, refused || "The service refused (status " + status + ")")
}
