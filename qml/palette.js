.pragma library
// The colours of every page, named by use.

var window = "#0F1B4D"     // window, sign-in page and sidebar; text of light dialogs
var content = "#141B33"    // the shell's content area
var card = "#1E2A4A"       // cards and the toast
var accent = "#6E97FF"     // highlighted values, statuses, notices, the toast border
var secondary = "#9DB0E8"  // secondary text
var muted = "#7A8AB8"      // meta text
var alarm = "#FF8A80"      // errors, warnings, negative amounts, exam alarms
var text = "white"         // titles and plain text
var control = "#2B3B6B"    // button faces on the dark pages
var sheet = "#F4F6FC"      // the light sheet of the exam verdict
var focus = "white"        // the ring of the control the keyboard is on: never the accent of a
                           // selected tab or a highlighted value
