import QtQuick

ViewCase {
    name: "DiscoverView"

    readonly property string letter: "I build storefronts like these" // 30 characters

    // Only a freelancer proposes, only on an open project. The bid starts at the budget in whole
    // rupees, the days at 14 (also when emptied); `sent` is [amount, days] when it can be sent.
    function test_proposal_data() {
        return [
            { tag: "a client", role: "client" },
            { tag: "29 characters and blanks", f: { coverLetterField: "  " + letter.slice(1) + " " } },
            { tag: "bid 0", f: { bidField: "0" } },
            { tag: "as it starts", sent: ["1501", 14] },
            { tag: "the digits typed", f: { bidField: "1,200", daysField: "10" }, sent: ["1200", 10] },
            { tag: "days empty", f: { bidField: "9", daysField: "" }, sent: ["9", 14] }
        ]
    }

    function test_proposal(row) {
        show(row.role || "freelancer", "api/projects", { projects: [{ id: "p/1", status: "open",
            budget_paise: 150050 }, { id: 2, status: "in_progress" }] })
        compare(shown(["proposeButton_0", "proposeButton_1"]), row.role ? [] : ["proposeButton_0"])
        if (row.role)
            return
        open("proposeButton_0", "proposalDialog")
        type(Object.assign({ coverLetterField: "  " + letter + "\n" }, row.f))
        if (!submits("proposalDialog", row.sent && { coverLetter: letter, amount: row.sent[0],
                                                     durationDays: row.sent[1] }))
            return
        win.answer("POST", "api/projects/p%2F1/proposals", 201, {})
        compare([win.toasts, v.proposeFor, win.count("GET", "api/projects")],
                [["Proposal sent"], null, 1]) // closed, and no reload
    }
}
