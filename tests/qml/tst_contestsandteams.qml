import QtQuick

// What the journey end to end leaves out: gates, rules at their boundaries, a refused delete.
ViewCase {
    name: "ContestsAndTeams"

    readonly property string brief: "A logo that works in one colour on cups."

    function showContests(role) {
        showView("ContestsView", role, "api/contests", { contests: [{ id: 9 }] })
    }

    // Shown on contest 9's page: "Submit entry", "Cancel contest", "Award winner", the entrant.
    function test_contestGates_data() {
        return [
            { tag: "freelancer, open", role: "freelancer", status: "open", shown: [1, 0, 0, 0] },
            { tag: "host, open", role: "client", host: true, status: "open", shown: [0, 1, 1, 1] },
            { tag: "guest client, open", role: "client", status: "open", shown: [0, 0, 0, 0] },
            { tag: "host, awarded", role: "client", host: true, status: "awarded",
              shown: [0, 0, 0, 1] },
            { tag: "freelancer, Open", role: "freelancer", status: "Open", shown: [0, 0, 0, 0] }
        ]
    }

    function test_contestGates(row) {
        showContests(row.role)
        click("contestCard_0")
        win.answer("GET", "api/contests/9", 200, {
            isHost: !!row.host, contest: { id: 9, status: row.status },
            entries: [{ id: 4, title: "Bean", display_name: "Ravi" }] })
        var names = ["submitEntryButton", "cancelContestButton", "awardButton_0", "entrantLine_0"]
        compare(shown(names), Array.from(names).filter((n, i) => row.shown[i]))
    }

    // Title, brief, prize and days as typed; `days` is what is sent when the button is enabled.
    function test_postContestRule_data() {
        return [
            { tag: "prize 499", typed: ["Logos", brief, "499", "9"] },
            { tag: "days empty", typed: [" Logos ", brief + "\n", "0500", ""], days: 14 },
            { tag: "days 9", typed: ["Logos", brief, "0500", "9"], days: 9 }
        ]
    }

    function test_postContestRule(row) {
        showContests("client")
        open("postButton", "createDialog")
        type({ titleField: row.typed[0], briefFieldArea: row.typed[1], prizeField: row.typed[2],
               daysField: row.typed[3] })
        submits("createDialog", row.days && { title: "Logos", brief: brief, prize: "0500",
                                              deadlineDays: row.days })
    }

    function test_invite_data() {
        return [
            { tag: "no @", typed: "asha.example" },
            { tag: "nothing after @", typed: "a@", sent: "a@" },
            { tag: "blanks around", typed: " @x ", sent: "@x" }
        ]
    }

    function test_invite(row) {
        showView("TeamsView", "client", "api/teams/mine", { teams: [{ id: 3 }] })
        open("inviteButton_0", "inviteDialog")
        type({ inviteEmailField: row.typed })
        submits("inviteDialog", row.sent && { email: row.sent })
    }

    function test_refusedDeleteReloads() {
        showView("TeamsView", "client", "api/teams/mine", { teams: [{ id: 3 }] })
        click("deleteButton_0")
        win.answer("DELETE", "api/teams/3", 404, { error: "Team not found" })
        compare([win.toasts, win.count("GET", "api/teams/mine")], [["Failed"], 2])
    }
}
