.pragma library
// Money as the pages show it, and the integer of a number field. Amounts travel as integer paise.

// An amount in paise as a page can use it: a missing one (undefined or null) counts as 0, and
// anything but a whole number in the range a double holds exactly is no amount at all (NaN), so
// it shows as "—" rather than "₹NaN" or "₹1e+21".
function paiseOf(paise) {
    if (paise === undefined || paise === null)
        return 0
    return Number.isSafeInteger(paise) ? paise : NaN
}

// Whole rupees with halves upward (Math.round, so toward +infinity also below zero); a missing
// amount counts as 0; NaN for no amount.
function wholeRupees(paise) {
    return Math.round(paiseOf(paise) / 100)
}

// "₹" and whole rupees: 250 → "₹3", 249 → "₹2", missing → "₹0", not an amount → "—".
function rupees(paise) {
    var r = wholeRupees(paise)
    return isNaN(r) ? "—" : "₹" + r
}

// Whole rupees as a sentence states a limit, grouped the Indian way: 1000 → "₹1,000",
// 100000 → "₹1,00,000".
function groupedRupees(rupees) {
    return "₹" + String(rupees).replace(/(\d)(?=(\d\d)+\d$)/g, "$1,")
}

// Like rupees(), but "—" when the amount is absent, null or 0 (a budget nobody set).
function rupeesOrDash(paise) {
    return paise ? rupees(paise) : "—"
}

// "₹" and two decimals, no grouping: 250 → "₹2.50", 5 → "₹0.05"; null, absent or not an
// amount → "—".
function twoDecimals(paise) {
    if (paise === null || paise === undefined || isNaN(paiseOf(paise)))
        return "—"
    return "₹" + (paise / 100).toFixed(2)
}

// A wallet movement: "+₹3" for +250, "−₹2" (U+2212) for −250, "−₹3" for −251, "+₹0" for 0 or
// missing, "—" for no amount.
function signed(paise) {
    var p = paiseOf(paise)
    if (isNaN(p))
        return "—"
    return (p < 0 ? "\u2212₹" : "+₹") + Math.abs(wholeRupees(p))
}

// The integer at the start of a field's text, read as parseInt reads it without a radix; NaN
// when there is none (NaN fails every comparison).
function intOf(text) {
    return parseInt(text)
}

// The integer of a field, or the fallback when it yields none or yields 0 (negatives kept).
function intOr(text, fallback) {
    var n = parseInt(text)
    return (isNaN(n) || n === 0) ? fallback : n
}
