import QtQuick

ViewCase {
    name: "DiscoverView"

    readonly property string letter: "I have built many storefronts like this one."

    function test_proposeButtonGate_data() {
        return [
            { tag: "freelancer, open", role: "freelancer", status: "open", shown: true },
            { tag: "freelancer, closed", role: "freelancer", status: "in_progress", shown: false },
            { tag: "client, open", role: "client", status: "open", shown: false }
        ]
    }

    function test_proposeButtonGate(row) {
        show(row.role, "api/projects", { projects: [{ id: 1, status: row.status }] })
        compare(el("proposeButton_0").visible, row.shown)
    }

    // The bid starts at the budget in whole rupees, the days at 14.
    function test_enableRule_data() {
        return [
            { tag: "29 characters and blanks", letter: "  " + "x".repeat(29) + "  ", on: false },
            { tag: "30 characters", on: true },
            { tag: "bid 0", bid: "0", on: false }
        ]
    }

    function test_enableRule(row) {
        show("freelancer", "api/projects",
             { projects: [{ id: 7, status: "open", budget_paise: 150050 }] })
        open("proposeButton_0", "proposalDialog")
        compare([el("bidField").text, el("daysField").text], ["1501", "14"])
        type({ coverLetterField: row.letter || "x".repeat(30), bidField: row.bid || "1501" })
        compare(el("proposalDialogSubmit").enabled, row.on)
    }

    function test_sent_data() {
        return [
            { tag: "the digits typed", bid: "1,200", days: "10", sent: ["1200", 10] },
            { tag: "days empty", bid: "9", days: "", sent: ["9", 14] }
        ]
    }

    function test_sent(row) {
        show("freelancer", "api/projects", { projects: [{ id: "p/1", status: "open" }] })
        open("proposeButton_0", "proposalDialog")
        type({ coverLetterField: "  " + letter + "\n", bidField: row.bid, daysField: row.days })
        submits("proposalDialog", { coverLetter: letter, amount: row.sent[0],
                                    durationDays: row.sent[1] })
        win.answer("POST", "api/projects/p%2F1/proposals", 201, {})
        compare([win.toasts, v.proposeFor, win.count("GET", "api/projects")],
                [["Proposal sent"], null, 1]) // closed, and no reload
    }
}
