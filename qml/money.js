.pragma library
// Money as the pages show it, and the integer of a number field. Amounts travel as integer paise.

// An amount in paise as a page can use it: a whole number in the range a double holds exactly,
// else NaN: a missing amount, one of another type, a fraction of a paisa or 1e21 is no amount,
// and the text that shows it is left out rather than read as 0.
function paiseOf(paise) {
    return Number.isSafeInteger(paise) ? paise : NaN
}

// Whole rupees with halves upward (Math.round, so toward +infinity also below zero); NaN for no
// amount. Exact for every amount paiseOf() lets through: p / 100 cannot reach a half it is not.
function wholeRupees(paise) {
    return Math.round(paiseOf(paise) / 100)
}

// An amount that cannot be below zero (a price, a prize, a total): "₹" and whole rupees, 250 →
// "₹3", 249 → "₹2"; "—" for a negative one, which the service cannot mean; "" for no amount.
function rupees(paise) {
    var r = wholeRupees(paise)
    if (isNaN(r))
        return ""
    return paise < 0 ? "—" : "₹" + r
}

// Whole rupees as a sentence states a limit, grouped the Indian way: 1000 → "₹1,000",
// 100000 → "₹1,00,000".
function groupedRupees(rupees) {
    return "₹" + String(rupees).replace(/(\d)(?=(\d\d)+\d$)/g, "$1,")
}

// A budget: like rupees(), but "—" also when nobody set one (absent, null or 0) or it cannot be
// read.
function rupeesOrDash(paise) {
    var shown = rupees(paise)
    return paise === 0 || shown === "" ? "—" : shown
}

// The balance, which may be below zero: "₹" and two decimals, no grouping: 250 → "₹2.50", 5 →
// "₹0.05", −250 → "−₹2.50" (U+2212); "—" for no amount. Counted in whole paise, so no amount
// is ever rounded on its way to the page.
function twoDecimals(paise) {
    var p = paiseOf(paise)
    if (isNaN(p))
        return "—"
    var cents = Math.abs(p % 100)
    var whole = Math.abs((p - p % 100) / 100)
    return (p < 0 ? "\u2212₹" : "₹") + whole + "." + (cents < 10 ? "0" : "") + cents
}

// A wallet movement: "+₹3" for +250, "−₹2" (U+2212) for −250, "−₹3" for −251, "+₹0" for 0; ""
// for no amount.
function signed(paise) {
    var r = wholeRupees(paise)
    if (isNaN(r))
        return ""
    return (paise < 0 ? "\u2212₹" : "+₹") + Math.abs(r)
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
