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
        ProjectsView {
            anchors.fill: parent
        }
    }

    TestCase {
        name: "ProjectsView"
        when: windowShown

        property var v: null
        readonly property string about: "A storefront in Qt with a catalogue and a cart."

        function init() {
            win.reset()
            win.user = { id: 1, role: "client" }
            v = createTemporaryObject(viewComp, top)
        }

        function el(name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }

        function openProposals(proposals) {
            win.answer("GET", "api/my/projects", 200, { projects: [{ id: 3, title: "Shop" }] })
            waitForItemPolished(v)
            mouseClick(el("projectCard_0"))
            win.answer("GET", "api/projects/3/proposals", 200, { proposals: proposals })
            waitForItemPolished(v)
        }

        function test_cards_data() {
            return [
                { tag: "250 rounds up", p: { budget_paise: 250, status: "open" }, budget: "₹3", status: "open" },
                { tag: "249 rounds down", p: { budget_paise: 249 }, budget: "₹2", status: "" },
                { tag: "no budget", p: { budget_paise: 0 }, budget: "—", status: "" },
                { tag: "proposal fallbacks", pr: { status: "accepted", cover_letter: "y".repeat(450) },
                  title: "Freelancer", amount: "₹0 · 0d", letter: 400, accept: false },
                { tag: "proposal", pr: { freelancer_name: "Ravi", amount_paise: 120050, duration_days: 9,
                  status: "submitted" }, title: "Ravi", amount: "₹1201 · 9d", letter: 0, accept: true }
            ]
        }

        function test_cards(row) {
            if (row.p) {
                win.answer("GET", "api/my/projects", 200, { projects: [row.p] })
                compare(el("budgetLine_0").text, row.budget + " · click to review proposals")
                compare(el("projectCard_0").trailing, row.status)
                return
            }
            openProposals([row.pr])
            compare(el("proposalCard_0").title, row.title)
            compare(el("proposalCard_0").trailing, row.amount)
            compare(el("coverLetter_0").text.length, row.letter)
            compare(el("acceptButton_0").visible, row.accept)
        }

        function test_proposalsPage() {
            win.answer("GET", "api/my/projects", 200, { projects: [{ id: 3, title: "Shop" }] })
            mouseClick(el("projectCard_0"))
            win.answer("GET", "api/projects/3/proposals", 500, {})
            compare(v.proposalsFor, null) // a failed load keeps the list page
            mouseClick(el("projectCard_0"))
            win.answer("GET", "api/projects/3/proposals", 200, {})
            compare(v.proposals, [])
            compare(v.proposalsFor.id, 3)
            mouseClick(findChild(v, "backButton"))
            compare(v.proposalsFor, null)
            compare(win.findCall("GET", "api/my/projects"), null) // back does not reload
        }

        function test_post_data() {
            var ok = { title: " Shop window ", description: about, skills: " Qt, ,C++ ,", budget: "12 k" }
            return [
                { tag: "title of 4", f: { title: "  Shop  " }, on: false },
                { tag: "description of 29", f: { description: "x".repeat(29) + "   " }, on: false },
                { tag: "budget 0", f: { budget: "0" }, on: false },
                { tag: "budget starting with a letter", f: { budget: "k12" }, on: false },
                { tag: "published", f: { hourly: true }, on: true, reply: [201, { project: { id: 9 } }],
                  publish: 409, toasts: ["Project published"], open: false,
                  body: { title: "Shop window", description: about, requiredSkills: ["Qt", "C++"],
                          budget: "12 k", projectType: "hourly" } },
                { tag: "no project in the reply", f: { skills: "" }, on: true, reply: [200, {}],
                  toasts: ["Project created"], open: false, body: { requiredSkills: [], projectType: "fixed" } },
                { tag: "refused", f: {}, on: true, reply: [400, { error: "Budget too high" }],
                  toasts: ["Budget too high"], open: true }
            ].map(function (row) {
                row.f = Object.assign({}, ok, row.f)
                return row
            })
        }

        function test_post(row) {
            win.answer("GET", "api/my/projects", 200, { projects: [] })
            mouseClick(el("postButton"))
            tryCompare(el("postDialog"), "opened", true)
            el("titleField").text = row.f.title
            el("descriptionField").text = row.f.description
            el("skillsField").text = row.f.skills
            el("budgetField").text = row.f.budget
            el("hourlyCheck").checked = !!row.f.hourly
            compare(el("postDialogSubmit").enabled, row.on)
            if (!row.on)
                return
            mouseClick(el("postDialogSubmit"))
            var sent = JSON.parse(win.lastCall().body)
            compare(Object.keys(sent), ["title", "description", "requiredSkills", "budget", "projectType"])
            for (var k in row.body)
                compare(sent[k], row.body[k], k)
            win.answer("POST", "api/projects", row.reply[0], row.reply[1])
            if (row.publish) {
                compare(win.toasts, [])
                win.answer("POST", "api/projects/9/publish", row.publish, "{}")
            }
            compare(win.calls.filter(function (c) { return /publish$/.test(c.path) }).length,
                    row.publish ? 1 : 0)
            compare(win.toasts, row.toasts)
            compare(v.showPost, row.open)
            compare(win.findCall("GET", "api/my/projects") !== null, !row.open)
            if (row.open)
                compare(el("titleField").text, row.f.title)
        }

        function test_accept_data() {
            return [
                { tag: "prefilled", sent: [{ title: "Milestone 1", amount: "1201" }] },
                { tag: "blank title enables and is sent empty", t1: "  ", sent: [{ title: "", amount: "1201" }] },
                { tag: "empty title", t1: "", on: false },
                { tag: "amount 0", a1: "0", on: false },
                { tag: "two", t2: " Launch ", a2: "500 rupees", a1: "700",
                  sent: [{ title: "Milestone 1", amount: "700" }, { title: "Launch", amount: "500 rupees" }] },
                { tag: "second without amount", t2: "Launch", sent: [{ title: "Milestone 1", amount: "1201" }] },
                { tag: "second without title", a2: "5", sent: [{ title: "Milestone 1", amount: "1201" }] },
                { tag: "refused", fail: true, sent: [{ title: "Milestone 1", amount: "1201" }] }
            ]
        }

        function test_accept(row) {
            openProposals([{ id: 4, amount_paise: 120050, status: "submitted" }])
            mouseClick(el("acceptButton_0"))
            tryCompare(el("acceptDialog"), "opened", true)
            var fields = { t1: "milestone1Title", a1: "milestone1Amount", t2: "milestone2Title",
                           a2: "milestone2Amount" }
            compare(el("milestone1Amount").text, "1201")
            compare(el("milestone2Title").text + el("milestone2Amount").text, "")
            for (var f in fields)
                if (row[f] !== undefined)
                    el(fields[f]).text = row[f]
            compare(el("acceptDialogSubmit").enabled, row.on !== false)
            if (row.on === false)
                return
            mouseClick(el("acceptDialogSubmit"))
            compare(JSON.parse(win.lastCall().body), { milestones: row.sent })
            win.answer("POST", "api/proposals/4/accept", row.fail ? 409 : 201,
                       row.fail ? { error: "Already awarded" } : {})
            compare(win.toasts, [row.fail ? "Already awarded" : "Contract created"])
            compare(v.acceptFor !== null, !!row.fail)
            compare(v.proposalsFor !== null, !!row.fail)
            compare(win.findCall("GET", "api/my/projects") !== null, !row.fail)
        }
    }
}
