import QtQuick

// Other people's words are shown as they are, never read as markup: every text member each view
// shows carries markup with an image on a local listener, and nothing may be fetched from it nor
// drawn as rich text.
// (Lines marked "qmllint disable unqualified" use the doubles the test program publishes.)
ViewCase {
    id: test
    name: "Markup"

    readonly property string m: '<b>x</b><img src="http://127.0.0.1:' + Machine.port + '/x">' // qmllint disable unqualified

    // Each row: the view, who is signed in, and steps: [path, body] answers a GET, a name
    // clicks that control, a function runs with the view.
    function test_serviceTextStaysText_data() {
        var user = { id: 2, role: "client", full_name: m, email: m, kyc_status: m }
        return [
            { tag: "Discover", view: "DiscoverView", steps: [["api/projects", { projects: [
                { title: m, description: m, status: m, required_skills: [m] }] }]] },
            { tag: "Projects", view: "ProjectsView", steps: [
                ["api/my/projects", { projects: [{ id: 1, title: m, status: m }] }],
                "projectCard_0", ["api/projects/1/proposals", { proposals: [
                    { freelancer_name: m, cover_letter: m, status: "submitted" }] }]] },
            { tag: "Contests", view: "ContestsView", steps: [
                ["api/contests", { contests: [{ id: 1, title: m, status: m, deadline: m }] }],
                "contestCard_0", ["api/contests/1", { isHost: true,
                    contest: { id: 1, title: m, brief: m, status: "open" },
                    entries: [{ title: m, display_name: m, description: m, attachment_url: m }] }]] },
            { tag: "Teams", view: "TeamsView", steps: [
                ["api/teams/mine", { teams: [{ name: m, description: m }] }], "inviteButton_0"] },
            { tag: "Gigs", view: "GigsView", steps: [
                ["api/gigs", { gigs: [{ title: m, description: m, packages: [
                    { tier: m, label: m, description: m }] }] }], "gigCard_0", "orderButton_0"] },
            { tag: "Gig orders", view: "GigOrdersView", steps: [
                ["api/gig-orders", { orders: [{ id: 1, gig_title: m, status: m, package_tier: m,
                                                freelancer_name: m, client_name: m }] }],
                "orderCard_0", ["api/gig-orders/1", {
                    order: { id: 1, gig_title: m, status: m, package_tier: m, delivery_note: m },
                    messages: [{ sender_name: m, body: m }] }]] },
            { tag: "Contracts", view: "ContractsView", steps: [["api/contracts", { contracts: [
                { project_title: m, status: m, contract_type: m,
                  milestones: [{ title: m, status: m }],
                  deliverables: [{ summary: m, status: "submitted" }] }] }]] },
            { tag: "Wallet", view: "WalletView", steps: [
                ["api/wallet", { wallet: {}, transactions: [{ description: m }, { kind: m }] }],
                ["api/invoices", { invoices: [{ invoice_number: m, description: m }] }]] },
            { tag: "Notifications", view: "NotificationsView", steps: [
                ["api/notifications", { notifications: [{ title: m, body: m }] }]] },
            { tag: "More", view: "MoreView", steps: [
                ["api/affiliate", { shareUrl: m }],
                ["api/settlements", { bankAccount: { account_last4: m },
                                      settlements: [{ status: m, requested_at: m }] }]] },
            { tag: "Skills", view: "SkillsView", steps: [
                ["api/assessments/available", { assessments: [{ skill: m, nextLevel: m }] }],
                "takeButton_0", v => win.answerLast(201, { attempt: { id: 1 } }),
                ["api/assessments/attempts/1/questions", {
                    attempt: { id: 1, skill: m, level: m, timeLimitSeconds: 60 },
                    questions: [{ id: "q", question: m, options: [{ key: "k", text: m }] }] }],
                v => v.result = { passed: true, score: 1, total: 1, badge: { skill: m } }] },
            { tag: "Shell", view: "HomeView", steps: [] },
            { tag: "Sign-in and dialog errors", view: "LoginView", steps: [
                v => v.notice = m, v => win.toast(m)] }
        ].map(row => Object.assign(row, { user: user }))
    }

    // Every text item of the window, popups included.
    function texts(item, out) {
        if (item.textFormat !== undefined && typeof item.text === "string")
            out.push(item)
        for (var i = 0; i < item.children.length; ++i)
            texts(item.children[i], out)
        return out
    }

    function test_serviceTextStaysText(row) {
        var fetched = Machine.connections // qmllint disable unqualified
        showView(row.view, row.user)
        play(row.steps)
        wait(100) // time for an image request to go out
        var marked = texts(v.Window.window.contentItem, []).filter(t => t.text.indexOf("<b>") >= 0)
        verify(marked.length > 0, "no text of the service shown")
        compare(marked.filter(t => t.textFormat !== Text.PlainText).map(t => t.objectName || t),
                [])
        compare(Machine.connections, fetched)
    }
}
