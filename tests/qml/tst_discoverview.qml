import QtQuick
import QtTest
import Velto

Item {
    id: top
    width: 1000
    height: 760

    FakeWin {
        id: win
    }

    Component {
        id: viewComp
        DiscoverView {
            anchors.fill: parent
        }
    }

    TestCase {
        name: "DiscoverView"
        when: windowShown

        property var v: null
        readonly property string letter: "I have built many storefronts like this one."

        function init() {
            win.reset()
            win.user = { id: 2, role: "freelancer" }
        }

        function show(projects) {
            v = createTemporaryObject(viewComp, top)
            win.answer("GET", "api/projects", 200, { projects: projects })
            waitForItemPolished(v)
        }

        function el(name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }

        function openDialog(project) {
            show([project])
            mouseClick(el("proposeButton_0"))
            tryCompare(findChild(v, "proposalDialog"), "opened", true)
        }

        function test_cards_data() {
            return [
                { tag: "no budget", p: { title: "A", status: "open" }, budget: "—",
                  meta: "open · " },
                { tag: "budget rounds", p: { title: "A", budget_paise: 250, status: "open",
                  required_skills: ["Qt", "C++"] }, budget: "₹3", meta: "open · Qt, C++" },
                { tag: "long description", p: { title: "A", description: "x".repeat(200) },
                  budget: "—", meta: " · ", excerpt: 160 }
            ]
        }

        function test_cards(row) {
            show([row.p])
            compare(el("projectCard_0").trailing, row.budget)
            compare(el("metaLine_0").text, row.meta)
            if (row.excerpt)
                compare(el("excerpt_0").text.length, row.excerpt)
        }

        function test_proposeButtonGate_data() {
            return [
                { tag: "freelancer, open", role: "freelancer", status: "open", shown: true },
                { tag: "freelancer, closed", role: "freelancer", status: "in_progress", shown: false },
                { tag: "client, open", role: "client", status: "open", shown: false }
            ]
        }

        function test_proposeButtonGate(row) {
            win.user = { id: 1, role: row.role }
            show([{ id: 1, title: "A", status: row.status }])
            compare(el("proposeButton_0").visible, row.shown)
        }

        function test_dialogPrefillAndRule_data() {
            return [
                { tag: "29 characters plus blanks", letter: "  " + "x".repeat(29) + "  ", bid: "5", on: false },
                { tag: "30 characters", letter: "x".repeat(30), bid: "5", on: true },
                { tag: "bid with trailing text", letter: "x".repeat(30), bid: "12 rupees", on: true },
                { tag: "bid starting with a letter", letter: "x".repeat(30), bid: "a12", on: false },
                { tag: "bid 0", letter: "x".repeat(30), bid: "0", on: false }
            ]
        }

        function test_dialogPrefillAndRule(row) {
            openDialog({ id: 7, title: "A", status: "open", budget_paise: 150050 })
            compare(el("bidField").text, "1501")
            compare(el("daysField").text, "14")
            el("coverLetterField").text = row.letter
            el("bidField").text = row.bid
            compare(el("proposalDialogSubmit").enabled, row.on)
        }

        function test_sentBody_data() {
            return [
                { tag: "as typed", bid: "1200 flat", days: "10",
                  body: { coverLetter: "I have built many storefronts like this one.",
                          amount: "1200 flat", durationDays: 10 } },
                { tag: "days empty", bid: "9", days: "", body: { amount: "9", durationDays: 14 } },
                { tag: "days 0", bid: "9", days: "0", body: { durationDays: 14 } },
                { tag: "days negative", bid: "9", days: "-3", body: { durationDays: -3 } }
            ]
        }

        function test_sentBody(row) {
            openDialog({ id: "p/1", title: "A", status: "open" })
            compare(el("bidField").text, "0")
            el("coverLetterField").text = "  " + letter + "\n"
            el("bidField").text = row.bid
            el("daysField").text = row.days
            mouseClick(el("proposalDialogSubmit"))
            var call = win.lastCall()
            compare(call.path, "api/projects/p%2F1/proposals")
            var sent = JSON.parse(call.body)
            compare(Object.keys(sent), ["coverLetter", "amount", "durationDays"])
            for (var k in row.body)
                compare(sent[k], row.body[k], k)
        }

        function test_outcome_data() {
            return [
                { tag: "sent", status: 201, body: "{}", toast: "Proposal sent", open: false },
                { tag: "refused", status: 409, body: '{"error":"You already sent a proposal"}',
                  toast: "You already sent a proposal", open: true },
                { tag: "no answer", status: 0, body: "", toast: "Failed", open: true }
            ]
        }

        function test_outcome(row) {
            openDialog({ id: 7, title: "A", status: "open", budget_paise: 100000 })
            el("coverLetterField").text = letter
            mouseClick(el("proposalDialogSubmit"))
            win.answer("POST", "api/projects/7/proposals", row.status, row.body)
            compare(win.toasts, [row.toast])
            compare(v.proposeFor !== null, row.open)
            tryCompare(findChild(v, "proposalDialog"), "visible", row.open)
            if (row.open)
                compare(el("coverLetterField").text, letter)
            compare(win.findCall("GET", "api/projects"), null) // no reload either way
        }
    }
}
