.pragma library
.import "roles.js" as Roles
// ZadoZirir's rules, apart from its timer and the screen: how often it captures, where its button
// is offered, what a click on it does, and whether tracking outlives a reload. The tracked
// contract is held as text and ids are compared as text, so the rules hold whether the service's
// ids are numbers or text.

// A screenshot goes when tracking starts, then every this many milliseconds.
var intervalMs = 600000
var minutes = intervalMs / 60000

// Two ids name the same record; a missing id names none.
function sameId(a, b) {
    return a !== undefined && a !== null && b !== undefined && b !== null && String(a) === String(b)
}

// The button belongs on an active hourly contract, for its freelancer only: the service refuses
// the client's uploads. A freelancer is listed only the contracts they work on.
function offered(contract, user) {
    return !!contract && Roles.is(user, Roles.freelancer)
        && contract.contract_type === "hourly" && contract.status === "active"
}

// The contract tracked after a click on this contract's button: none when it was the tracked one
// (stop), else this one (start, or move tracking here).
function toggled(tracked, contract) {
    return sameId(tracked, contract.id) ? "" : String(contract.id)
}

// Tracking outlives a reload only while its contract is still listed and still offers the button;
// otherwise screenshots would go on with no button left to stop them.
function survives(tracked, contracts, user) {
    return tracked === "" || (contracts || []).some(function (c) {
        return sameId(tracked, c.id) && offered(c, user)
    })
}

// An upload refused for good: the service no longer takes screenshots for this contract (it
// ended, or is no longer hourly), so tracking stops instead of capturing the screen for nothing
// at every interval. A time-out or a "too many" (408, 429) may pass and is not a refusal.
function refusedForGood(status) {
    return status >= 400 && status <= 499 && status !== 408 && status !== 429
}
