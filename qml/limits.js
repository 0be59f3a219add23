.pragma library
.import "money.js" as Money
// The service's rules that the forms check before they send, each named once. The service holds
// the same rules and refuses what breaks them; the forms only keep a person from sending in vain.

var password = 8           // a password, as typed
var coverLetter = 30        // a proposal's cover letter, trimmed
var projectTitle = 5        // a project's title, trimmed
var projectDescription = 30 // a project's description, trimmed
var contestTitle = 5        // a contest's title, trimmed
var contestBrief = 30       // a contest's brief, trimmed
var contestPrize = 500      // a contest's prize, whole rupees
var entryTitle = 3          // a contest entry's title, trimmed
var entryDescription = 20   // a contest entry's description, trimmed
var teamName = 2            // a team's name, trimmed
var gigTitle = 10           // a gig's title, trimmed
var gigDescription = 50     // a gig's description, trimmed
var orderNote = 5           // a gig order's delivery, revision or cancellation note, trimmed
var milestoneNote = 10      // a milestone's delivery summary, revision or dispute reason, trimmed
var accountNumber = 6       // a bank account number, digits
var ifsc = 11               // an IFSC, exactly
var withdrawal = 1000       // a withdrawal, whole rupees
var amount = 1              // a bid, budget, price or milestone amount, whole rupees
var reviewViolations = 5    // more proctoring violations than this send an exam to review
var loudLevel = 25          // a microphone level above this counts toward a voice violation

// Enable rules that can say why they do not hold yet: { holds, why }, the words built from the
// limit the rule checks. A form's submit is enabled while every rule holds and names the first
// that does not (FormDialog, the sign-in form). A plain boolean is a rule without words.
function chars(what, text, min) {
    return { holds: text.length >= min, why: what + ": at least " + min + " characters" }
}

function exactChars(what, text, count) {
    return { holds: text.length === count, why: what + ": exactly " + count + " characters" }
}

function filled(what, text) {
    return { holds: text.length > 0, why: what + ": required" }
}

// Whole rupees read as a number field is read (Money.intOf).
function rupees(what, text, min) {
    return { holds: Money.intOf(text) >= min, why: what + ": at least " + Money.groupedRupees(min) }
}

// A digits field holding something else: its own line under it says what it takes.
function typed(what, field) {
    var hint = field.digitsHint
    return { holds: field.acceptable, why: what + ": " + hint.charAt(0).toLowerCase() + hint.slice(1) }
}

function email(text) {
    return { holds: text.indexOf("@") > 0, why: "Email: an address such as name@example.com" }
}

function holds(rule) {
    return rule !== null && typeof rule === "object" ? rule.holds : !!rule
}

// Why the first rule not met keeps the form from being sent; "" when all hold or it has no words.
function why(rules) {
    var unmet = rules.find(function (rule) { return !holds(rule) })
    return unmet && typeof unmet === "object" ? unmet.why : ""
}
