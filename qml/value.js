.pragma library
// Members of a reply as the pages show them. A member that arrives missing or in a shape it should
// not have shows as nothing, and the words that depend on it go with it (no "0 orders", no
// "Bank ••••" without digits): a page never says what the service did not. Nor does it show
// "[object Object]", "NaN" or "1e+21", or stop drawing.

// The most of one member's text a page shows. A page holds about this much; a longer text (a
// megabyte in a package tier) would only weigh on the labels' layout and on a screen reader.
var longest = 4000

// The characters that change the order in which the text after them is drawn: the embeddings,
// overrides and isolates, and the direction marks.
var bidiControls = /[\u202A-\u202E\u2066-\u2069\u200E\u200F\u061C]/g
// Control characters, which a label either drops unseen or stops at (NUL).
var controls = /[\u0000-\u001F\u007F-\u009F]/g
var controlsButLines = /[\u0000-\u0008\u000B-\u001F\u007F-\u009F]/g

// The service's text as a label may show it: cut to `longest` characters with "…", and every
// bidirectional or control character drawn as U+FFFD, so it can neither reorder nor hide what
// follows (a "\u202Eevil" drawn as "live", a NUL that ends the text early). Newlines and tabs
// stay only in text shown over several lines (`multiline`).
function isolated(text, multiline) {
    if (text.length > longest)
        text = text.substring(0, longest) + "…"
    return text.replace(bidiControls, "\uFFFD").replace(multiline ? controlsButLines : controls,
                                                        "\uFFFD")
}

// A text member shown on one line: a string (isolated), a whole number as its digits, anything
// else "".
function text(value) {
    if (typeof value === "string")
        return isolated(value, false)
    if (typeof value === "number" && Number.isSafeInteger(value))
        return String(value)
    return ""
}

// A text member shown over several lines (a description, a message): as text(), keeping its
// newlines and tabs.
function paragraph(value) {
    return typeof value === "string" ? isolated(value, true) : text(value)
}

// A count (orders, members, days, a level): a whole number from 0, else null, which no
// comparison holds and no text shows.
function count(value) {
    return (typeof value === "number" && Number.isSafeInteger(value) && value >= 0) ? value : null
}

// A count with its words ("3 orders", "5-day delivery"), or "" when there is no count.
function counted(value, words) {
    var n = count(value)
    return n === null ? "" : n + words
}

// `shown` between the words that belong to it ("Delivery note: " + a note), or "" when there is
// nothing to show.
function framed(before, shown, after) {
    return shown === "" ? "" : before + shown + (after || "")
}

// The parts of a line that have a text, joined (by " · " unless told): a part left out leaves
// no gap and no stray separator.
function line(parts, separator) {
    return parts.filter(function (p) { return p !== "" }).join(separator === undefined ? " · "
                                                                                       : separator)
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

// The texts of a list member joined: "Qt, C++"; entries that are not texts are left out. The
// whole is bounded as one text is.
function joined(value, separator) {
    return text(list(value).map(text).filter(function (t) { return t !== "" }).join(separator))
}
