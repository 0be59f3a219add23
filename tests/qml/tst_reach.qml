import QtQuick

// Every action without a mouse: Tab from the start of each page reaches every control that is
// shown and enabled (in a list, the current row and its buttons), in reading order, and a reader
// hears each control it lands on by a name that tells it apart from the page's others.
ViewCase {
    id: test
    name: "Reach"


    function two(make) {
        return [make("A", 1), make("B", 2)]
    }

    // Each row: the view, the role signed in, and steps: [path, body] answers a GET, a name
    // clicks that control, a function runs with the view. `dialog`: the dialog to walk instead.
    function test_everyControlReachedAndNamed_data() {
        var project = (t, id) => ({ id: id, title: "Project " + t, status: "open", budget_paise: 100 })
        return [
            { tag: "Discover", view: "DiscoverView", role: "freelancer", steps: [
                ["api/projects", { projects: two(project) }]] },
            { tag: "Discover, proposal dialog", view: "DiscoverView", role: "freelancer", steps: [
                ["api/projects", { projects: two(project) }], "proposeButton_0"],
              dialog: "proposalDialog" },
            { tag: "Projects, proposals", view: "ProjectsView", role: "client", steps: [
                ["api/my/projects", { projects: two(project) }], "projectCard_0",
                ["api/projects/1/proposals", { proposals: two((t, id) => ({
                    id: id, freelancer_name: "Freelancer " + t, status: "submitted" })) }]] },
            { tag: "Contests, hosted", view: "ContestsView", role: "client", steps: [
                ["api/contests", { contests: two((t, id) => ({ id: id, title: "Contest " + t })) }],
                "contestCard_0", ["api/contests/1", { isHost: true, contest: { id: 1, status: "open" },
                    entries: two((t, id) => ({ id: id, title: "Entry " + t })) }]] },
            { tag: "Teams", view: "TeamsView", role: "client", steps: [["api/teams/mine", {
                teams: two((t, id) => ({ id: id, name: "Team " + t })) }]] },
            { tag: "Gigs, packages", view: "GigsView", role: "client", steps: [
                ["api/gigs", { gigs: [{ id: 1, title: "Gig", packages: [{ tier: "basic" },
                                                                       { tier: "premium" }] }] }],
                "gigCard_0"] },
            { tag: "Gig orders, delivered", view: "GigOrdersView", role: "client", steps: [
                ["api/gig-orders", { orders: [{ id: 7, gig_title: "Logo" }] }], "orderCard_0",
                ["api/gig-orders/7", { order: { id: 7, client_id: 2, status: "delivered" },
                    messages: two(t => ({ sender_name: "Sender " + t, body: "Hi" })) }]] },
            { tag: "Contracts", view: "ContractsView", role: "client", steps: [["api/contracts", {
                contracts: [{ id: 1, project_title: "Shop", milestones: two((t, id) => ({
                    id: id, title: "Milestone " + t, status: "awaiting_funding" })),
                    deliverables: [{ id: 5, summary: "First cut", status: "submitted" }] }] }]] },
            { tag: "Wallet", view: "WalletView", role: "client", steps: [
                ["api/wallet", { wallet: {}, transactions: two(t => ({ description: "Move " + t })) }],
                ["api/invoices", { invoices: two(t => ({ invoice_number: "INV-" + t })) }]] },
            { tag: "Notifications", view: "NotificationsView", role: "client", steps: [
                ["api/notifications", { notifications: two(t => ({ title: "Note " + t })) }]] },
            { tag: "More", view: "MoreView", role: "freelancer", steps: [["api/affiliate", {}],
                ["api/settlements", { bankAccount: { account_last4: "1234" },
                    settlements: two((t, id) => ({ amount_paise: id * 100000 })) }]] },
            { tag: "Skills, exam", view: "SkillsView", role: "freelancer", steps: [
                ["api/assessments/available", { assessments: [{ skill: "SQL", nextLevel: 1 }] }],
                "takeButton_0", v => win.answerLast(201, { attempt: { id: 1 } }),
                ["api/assessments/attempts/1/questions", { attempt: { id: 1, timeLimitSeconds: 60 },
                    questions: two((t, id) => ({ id: id, question: "Question " + t,
                        options: two(o => ({ key: o, text: "Option " + t + o })) })) }]] },
            { tag: "Shell", view: "HomeView", role: "client", steps: [] },
            { tag: "Sign-in", view: "LoginView", role: "", steps: [
                v => test.type({ emailField: "a@b.c", passwordField: "12345678" })] }
        ]
    }

    // What a person can act on under `item`: buttons, rows and fields that are shown and enabled,
    // of a list only its current row.
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

    function test_everyControlReachedAndNamed(row) {
        showView(row.view, row.role ? { id: 2, role: row.role, full_name: "Asha" } : null)
        play(row.steps)
        var scope = v
        if (row.dialog) {
            tryCompare(el(row.dialog), "opened", true)
            scope = el(row.dialog).contentItem.parent
        }
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
        var heard = reached.map(c => Machine.accessible(c))
        compare(heard.filter(a => !a.name).length, 0, JSON.stringify(heard))
        var said = heard.map(a => a.name + " | " + a.description)
        compare(said.filter((s, i) => said.indexOf(s) !== i), [], "names heard twice")
    }
}
