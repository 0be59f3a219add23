.pragma library
// How every document judges a reply: one place decides success and the text to show.

// Success is an HTTP 2xx; status 0 (no answer, unsupported method) is a failure.
function ok(status) {
    return status >= 200 && status <= 299
}

// The service's `error` text when it sent a non-empty one, else the caller's fixed text.
function failText(data, fallback) {
    if (data && typeof data.error === "string" && data.error.length > 0)
        return data.error
    return fallback
}
