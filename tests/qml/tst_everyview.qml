import QtQuick

// Every view, two rows a list, each text markup with an image on a local listener: Tab reaches all
// controls (of a list, the current row's), a reader tells them apart, and no text fetches anything.
ViewCase {
    id: test
    name: "EveryView"

    function m(t) {
        return '<b>x</b><img src="http://127.0.0.1:' + machine.port + '/x">' + t
    }

    // Steps: [path, body] answers a GET, a name is clicked, a function runs. `dialog`: [open, name]
    function test_everyView_data() {
        var x = m(""), two = make => [make("A", 1), make("B", 2)]
        var project = (t, id) => ({ id: id, title: m(t), description: m(t), budget_paise: 100,
                                    status: id === 1 ? "open" : m(t), required_skills: [m(t)] })
        return [
            { tag: "Discover", view: "DiscoverView", role: "freelancer", steps: [
                ["api/projects", { projects: two(project) }]],
              dialog: [v => test.click("proposeButton_0"), "proposalDialog"] },
            { tag: "Projects, proposals", view: "ProjectsView", role: "client", steps: [
                ["api/my/projects", { projects: two(project) }], "projectCard_0",
                ["api/projects/1/proposals", { proposals: two((t, id) => ({
                    id: id, freelancer_name: m(t), cover_letter: m(t), status: "submitted" })) }]] },
            { tag: "Contests, hosted", view: "ContestsView", role: "client", steps: [
                ["api/contests", { contests: two((t, id) => ({
                    id: id, title: m(t), status: m(t), deadline: m(t) })) }],
                "contestCard_0", ["api/contests/1", { isHost: true,
                    contest: { id: 1, title: x, brief: x, status: "open" },
                    entries: two((t, id) => ({ id: id, title: m(t), display_name: m(t),
                                               description: m(t), attachment_url: m(t) })) }]] },
            { tag: "Teams", view: "TeamsView", role: "client", steps: [["api/teams/mine", {
                teams: two((t, id) => ({ id: id, name: m(t), description: m(t) })) }]],
              dialog: [v => test.click("inviteButton_0"), "inviteDialog"] },
            { tag: "Gigs, packages", view: "GigsView", role: "client", steps: [
                ["api/gigs", { gigs: [{ id: 1, title: x, description: x, packages: two(
                    t => ({ tier: m(t), label: m(t), description: m(t) })) }] }], "gigCard_0"],
              dialog: [v => test.click("orderButton_0"), "orderDialog"] },
            { tag: "Gig orders, delivered", view: "GigOrdersView", role: "client", steps: [
                ["api/gig-orders", { orders: [{ id: 7, gig_title: x, status: x, package_tier: x,
                                                freelancer_name: x, client_name: x }] }],
                "orderCard_0", ["api/gig-orders/7", { order: { id: 7, client_id: 2,
                    status: "delivered", gig_title: x, package_tier: x, delivery_note: x,
                    instructions: x },
                    messages: two(t => ({ sender_name: m(t), body: m(t) })) }]] },
            { tag: "Contracts", view: "ContractsView", role: "client", steps: [["api/contracts", {
                contracts: [{ id: 1, project_title: x, status: x, contract_type: x,
                    milestones: two((t, id) => ({ id: id, title: m(t),
                        status: id === 1 ? "awaiting_funding" : m(t) })),
                    deliverables: [{ id: 5, summary: x, status: "submitted" }] }] }]] },
            { tag: "Wallet", view: "WalletView", role: "client", steps: [
                ["api/wallet", { transactions: [{ description: m("A") }, { kind: m("B") }] }],
                ["api/invoices", { invoices: two(t => ({ invoice_number: m(t),
                                                         description: x })) }]] },
            { tag: "Notifications", view: "NotificationsView", role: "client", steps: [
                ["api/notifications", { notifications: two(t => ({ title: m(t), body: m(t) })) }]] },
            { tag: "More", view: "MoreView", role: "freelancer", steps: [
                ["api/affiliate", { shareUrl: x, referrals: [] }],
                ["api/settlements", { bankAccount: { account_last4: x }, settlements: two(
                    (t, id) => ({ amount_paise: id * 100000, status: m(t), requested_at: x })) }]] },
            { tag: "Skills, exam", view: "SkillsView", role: "freelancer", steps: [
                ["api/assessments/available", { assessments: [{ skill: x, nextLevel: 1 }] }],
                "takeButton_0", v => win.answerLast(201, { attempt: { id: 1 } }),
                ["api/assessments/attempts/1/questions", {
                    attempt: { id: 1, skill: x, level: x, timeLimitSeconds: 60 },
                    questions: two((t, id) => ({ id: id, question: m(t),
                        options: two(o => ({ key: o, text: m(t + o) })) })) }]],
              dialog: [v => v.result = { passed: true, score: 1, total: 1, badge: { skill: x } },
                       "resultDialog"] },
            { tag: "Shell", view: "HomeView", role: "client", steps: [] },
            { tag: "Sign-in", view: "LoginView", role: "", steps: [
                v => test.type({ emailField: "a@b.c", passwordField: "12345678" }),
                v => v.notice = x] }
        ]
    }

    // Buttons, rows and fields shown and enabled under `item`, of a list only the current row.
    function controls(item, out) {
        if (!item.visible || !item.enabled || item.currentRow === false)
            return out
        if ((item.clicked !== undefined && item.acceptedButtons === undefined)
                || item.cursorPosition !== undefined)
            out.push(item)
        for (var i = 0; i < item.children.length; ++i)
            controls(item.children[i], out)
        return out
    }

    function texts(item, out) {
        if (item.textFormat !== undefined && typeof item.text === "string")
            out.push(item)
        for (var i = 0; i < item.children.length; ++i)
            texts(item.children[i], out)
        return out
    }

    function walk(scope) {
        waitForItemPolished(scope)
        var reached = [], seen = []
        for (var it = scope.nextItemInFocusChain(true); it && seen.indexOf(it) < 0;
             it = it.nextItemInFocusChain(true)) {
            seen.push(it)
            var up = it
            while (up && up !== scope)
                up = up.parent
            if (up === scope)
                reached.push(it)
        }
        var expected = controls(scope, [])
        compare(expected.filter(c => reached.indexOf(c) < 0).map(c => c.objectName || String(c)), [])
        var heard = reached.map(c => machine.accessible(c))
        compare(heard.filter(a => !a.name).length, 0, JSON.stringify(heard))
        var said = heard.map(a => a.name + " | " + a.description)
        compare(said.filter((s, i) => said.indexOf(s) !== i), [], "names heard twice")
    }

    function test_everyView(row) {
        var fetched = machine.connections
        showView(row.view, row.role ? { id: 2, role: row.role, full_name: m(""), email: m(""),
                                        kyc_status: m("") } : null)
        for (var step of row.steps) {
            if (typeof step === "function")
                step(v)
            else if (typeof step === "string")
                click(step)
            else
                win.answer("GET", step[0], 200, step[1])
        }
        walk(v)
        if (row.dialog) {
            row.dialog[0](v)
            tryCompare(el(row.dialog[1]), "opened", true)
            walk(el(row.dialog[1]).contentItem.parent)
        }
        wait(100) // time for an image request to go out
        var marked = texts(v.Window.window.contentItem, []).filter(t => t.text.indexOf("<b>") >= 0)
        verify(marked.length > 0, "no text of the service shown")
        compare(marked.filter(t => t.textFormat !== Text.PlainText).map(t => t.objectName || t),
                [])
        compare(machine.connections, fetched)
    }

    // An answer without the record a view reads besides its list cannot be read.
    function test_answersViewsRead_data() {
        return Array.from([["WalletView", "api/wallet", { wallet: [], transactions: [] }, "walletFailure"],
                           ["WalletView", "api/wallet", { wallet: null, transactions: [] }, "walletFailure", 0],
                           ["MoreView", "api/settlements", { settlements: [], bankAccount: 4 }, "settlementsFailure"]],
                          r => ({ tag: JSON.stringify(r), row: r }))
    }

    function test_answersViewsRead(row) {
        showView(row.row[0], "client", row.row[1], row.row[2])
        compare(el(row.row[3]).visible, row.row.length < 5)
    }
}
