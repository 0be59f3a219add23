.pragma library
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
var reviewViolations = 5    // more proctoring violations than this send an exam to review
var loudLevel = 25          // a microphone level above this counts toward a voice violation
