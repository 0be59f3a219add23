.pragma library
// Timestamps travel as ISO-8601 text; pages show the date, its first 10 characters.

function day(text) {
    return (text === null || text === undefined) ? "" : String(text).substring(0, 10)
}
