.pragma library
.import "value.js" as Value
// Timestamps travel as ISO-8601 text; pages show the date, its first 10 characters, as every
// service text is shown (value.js). Anything but a text shows as nothing.

function day(text) {
    return typeof text === "string" ? Value.text(text.substring(0, 10)) : ""
}
