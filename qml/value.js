.pragma library
// Members of a reply as the pages show them. A member that arrives in a shape it should not have
// shows as nothing (an empty text, a count of 0, an empty list), never as "[object Object]",
// "NaN" or "1e+21", and never stops a page from drawing.

// A text member: a string as it is, a whole number as its digits, anything else "".
function text(value) {
    if (typeof value === "string")
        return value
    if (typeof value === "number" && Number.isSafeInteger(value))
        return String(value)
    return ""
}

// A count (orders, members, entries, days): a whole number, else 0.
function count(value) {
    return (typeof value === "number" && Number.isSafeInteger(value)) ? value : 0
}

// A number (a percentage): a finite one in the range shown without an exponent, else 0.
function number(value) {
    return (typeof value === "number" && Math.abs(value) <= Number.MAX_SAFE_INTEGER) ? value : 0
}

// A list member: the array, or an empty one for anything else.
function list(value) {
    return Array.isArray(value) ? value : []
}

// A list of records: the array with every entry that is no record read as an empty one, so a
// row of the wrong kind shows as an empty row instead of breaking its card.
function rows(value) {
    return list(value).map(function (r) {
        return (r !== null && typeof r === "object" && !Array.isArray(r)) ? r : {}
    })
}

// The texts of a list member joined: "Qt, C++"; entries that are not texts are left out.
function joined(value, separator) {
    return list(value).map(text).filter(function (t) { return t !== "" }).join(separator)
}
