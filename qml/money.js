.pragma library
// Money as the pages show it, and the integer of a number field. Amounts travel as integer paise.

// Whole rupees with halves upward (Math.round, so toward +infinity also below zero); a missing
// amount counts as 0.
function wholeRupees(paise) {
    return Math.round((Number(paise) || 0) / 100)
}

// "₹" and whole rupees: 250 → "₹3", 249 → "₹2", missing → "₹0".
function rupees(paise) {
    return "₹" + wholeRupees(paise)
}

// Like rupees(), but "—" when the amount is absent, null or 0 (a budget nobody set).
function rupeesOrDash(paise) {
    return paise ? rupees(paise) : "—"
}

// "₹" and two decimals, no grouping: 250 → "₹2.50", 5 → "₹0.05"; null or absent → "—".
function twoDecimals(paise) {
    if (paise === null || paise === undefined)
        return "—"
    return "₹" + (Number(paise) / 100).toFixed(2)
}

// A wallet movement: "+₹3" for +250, "−₹2" (U+2212) for −250, "−₹3" for −251, "+₹0" for 0.
function signed(paise) {
    var p = Number(paise) || 0
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
