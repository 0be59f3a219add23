import QtQuick
import QtTest
import Velto

// What the journey end to end (tests/e2e/tst_e2e_contests.cpp) leaves out: gates, rules at their
// boundaries, the days fallback, a refused delete and detail replies no longer wanted.
Item {
    id: top
    width: 1000
    height: 760

    FakeWin { id: win }
    Component { id: contests; ContestsView { anchors.fill: parent } }
    Component { id: teams; TeamsView { anchors.fill: parent } }

    TestCase {
        name: "ContestsAndTeams"
        when: windowShown

        property var v: null
        readonly property string brief: "A logo that works in one colour on cups."

        function show(comp, role, path, body) {
            win.reset()
            win.user = { id: 1, role: role }
            v = createTemporaryObject(comp, top)
            win.answer("GET", path, 200, body)
            waitForItemPolished(v)
        }

        function el(name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }

        function test_contestGates_data() {
            return [ // visible: "Submit entry", "Cancel contest", "Award winner", the entrant's name
                { tag: "freelancer, open", role: "freelancer", host: false, status: "open", shown: [true, false, false, false] },
                { tag: "client host, open", role: "client", host: true, status: "open", shown: [false, true, true, true] },
                { tag: "client guest, open", role: "client", host: false, status: "open", shown: [false, false, false, false] },
                { tag: "host, awarded", role: "client", host: true, status: "awarded", shown: [false, false, false, true] },
                { tag: "freelancer, Open", role: "freelancer", host: false, status: "Open", shown: [false, false, false, false] }
            ]
        }

        function test_contestGates(row) {
            show(contests, row.role, "api/contests", { contests: [{ id: 9, prize_paise: 250, deadline: "2026-12-06T10:00Z" }, {}] })
            compare([el("contestCard_0").trailing, el("contestCard_1").trailing], ["₹3", "₹0"])
            compare([el("contestMeta_0").text, el("contestMeta_1").text], ["0 entries ·  · closes 2026-12-06", "0 entries ·  · closes "])
            mouseClick(el("contestCard_0"))
            win.answer("GET", "api/contests/9", 200, { isHost: row.host, contest: { id: 9, status: row.status },
                       entries: [{ id: 4, title: "Bean", display_name: "Ravi" }] })
            compare(["submitEntryButton", "cancelContestButton", "awardButton_0", "entrantLine_0"].map(n => el(n).visible), row.shown)
        }

        function test_postContestRule_data() {
            return [ // title, brief, prize, days; `days` is what is sent when the button is enabled
                { tag: "prize 499", typed: ["Logos", brief, "499", "9"] },
                { tag: "title of 4", typed: ["  Logo  ", brief, "500", "9"] },
                { tag: "brief of 29", typed: ["Logos", brief.substring(0, 29), "500", "9"] },
                { tag: "days empty", typed: [" Logos ", brief + "\n", "0500", ""], days: 14 }
            ]
        }

        function test_postContestRule(row) {
            show(contests, "client", "api/contests", {})
            mouseClick(el("postButton"))
            tryCompare(el("createDialog"), "opened", true)
            const fields = ["titleField", "briefFieldArea", "prizeField", "daysField"]
            fields.forEach((n, i) => el(n).text = row.typed[i])
            compare(el("createDialogSubmit").enabled, row.days !== undefined)
            if (row.days !== undefined) {
                mouseClick(el("createDialogSubmit"))
                compare(win.lastCall().body, JSON.stringify({ title: "Logos", brief: brief, prize: "0500", deadlineDays: 14 }))
            }
        }

        function test_laterDetailWins() {
            show(contests, "client", "api/contests", {})
            v.open(1)
            const first = win.lastCall()
            v.open(2)
            win.answerLast(200, '{"contest":{"id":2}}')
            win.answerCall(first, 200, '{"contest":{"id":1}}')
            compare(v.detail.contest.id, 2)
            v.open(3)
            const third = win.lastCall()
            mouseClick(findChild(el("detailPage"), "backButton"))
            win.answerCall(third, 200, '{"contest":{"id":3}}')
            compare(v.detail, null) // back leaves the page for good
        }

        function test_teams() {
            show(teams, "client", "api/teams/mine", { teams: [{ id: 3, member_count: 1 }] })
            compare(el("teamCard_0").trailing, "1 members")
            mouseClick(el("inviteButton_0"))
            tryCompare(el("inviteDialog"), "opened", true)
            for (const [typed, on] of [["asha.example", false], ["@asha.example", false], ["a@", true], [" @x ", true]]) {
                el("inviteEmailField").text = typed
                compare(el("inviteDialogSubmit").enabled, on, typed)
            }
            mouseClick(el("inviteDialogSubmit"))
            compare(win.answerLast(201, {}).body, '{"email":"@x"}')
            mouseClick(el("deleteButton_0"))
            win.answer("DELETE", "api/teams/3", 404, { error: "Team not found" })
            compare(win.toasts, ["Invitation sent", "Failed"]) // no service text for a delete
            compare(win.calls.filter(c => c.path === "api/teams/mine").length, 2) // only the delete reloads
        }
    }
}
