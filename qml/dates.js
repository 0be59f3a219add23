.pragma library
// Timestamps travel as ISO-8601 text; pages show the date, its first 10 characters. Anything
// but a text shows as nothing.

function day(text) {
    return typeof text === "string" ? text.substring(0, 10) : ""
}
