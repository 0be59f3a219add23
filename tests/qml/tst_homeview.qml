import QtQuick
import Velto

ViewCase {
    name: "HomeView"
    view: Component { HomeView { anchors.fill: parent } }

    readonly property var everyone: ["Discover", "Gigs", "Gig Orders", "Contests", "Contracts",
        "Wallet", "Notifications", "More"]

    function test_tabsByRole_data() {
        var withClient = everyone.slice(0, 4).concat(["Projects", "Teams"], everyone.slice(4))
        var withSkills = everyone.slice(0, 6).concat(["Skills"], everyone.slice(6))
        return [
            { tag: "client", user: { role: "client" }, tabs: withClient },
            { tag: "freelancer", user: { role: "freelancer" }, tabs: withSkills },
            { tag: "other role", user: { role: "admin" }, tabs: everyone },
            { tag: "no user", user: null, tabs: everyone },
            { tag: "client, then freelancer", user: { role: "client" },
              then: { role: "freelancer" }, tabs: withSkills }
        ]
    }

    // The sidebar as a person sees it, top to bottom, is checked end to end (tst_e2e_auth).
    function test_tabsByRole(row) {
        show(row.user)
        if (row.then)
            win.user = row.then
        compare(v.tabs, row.tabs)
        compare([v.current, el("content").item.objectName], ["Discover", "DiscoverView"])
    }

    function test_nameLine_data() {
        return [
            { tag: "full name", user: { full_name: "Asha Rao", email: "a@x" }, shown: "Asha Rao" },
            { tag: "empty name", user: { full_name: "", email: "a@x" }, shown: "a@x" },
            { tag: "signed out", user: null, shown: "" }
        ]
    }

    function test_nameLine(row) {
        show(row.user)
        compare(el("nameLabel").text, row.shown)
    }

    function test_everyTabShowsItsView_data() {
        return everyone.concat(["Projects", "Teams", "Skills"]).map(
                    t => ({ tag: t, view: t.replace(" ", "") + "View" })).concat([
                    { tag: "Unknown", view: "DiscoverView" }, { tag: "", view: "DiscoverView" }])
    }

    function test_everyTabShowsItsView(row) {
        show("client")
        v.current = row.tag
        compare(el("content").item.objectName, row.view)
    }

    // The keyboard starts on a page's first control, and leaves a control that went away for it.
    function test_focusFollowsThePage() {
        show("client")
        click("tab_Contests")
        var contests = el("content").item
        tryVerify(() => el("modeButton").activeFocus)
        contests.detail = { contest: { id: 1, title: "Logo" } }
        findChild(el("detailPage"), "backButton").forceActiveFocus()
        contests.detail = null
        tryVerify(() => el("modeButton").activeFocus)
    }

    // A click shows the tab, marked; coming back to a tab creates its view afresh.
    function test_clickedTab() {
        show("client")
        var loader = el("content")
        click("tab_Wallet")
        var first = loader.item
        compare([v.current, first.objectName], ["Wallet", "WalletView"])
        compare([el("tab_Wallet").highlighted, el("tab_Discover").highlighted], [true, false])
        click("tab_Wallet") // the tab already shown: nothing changes
        verify(loader.item === first)
        click("tab_Discover")
        compare(loader.item.objectName, "DiscoverView")
        click("tab_Wallet")
        verify(loader.item !== first, "the wallet view was kept instead of created afresh")
    }

    function test_ctrlDigitSelectsTheNthTab_data() {
        return [
            { tag: "Ctrl+1", key: Qt.Key_1, role: "client", tab: "Discover" },
            { tag: "Ctrl+5 client", key: Qt.Key_5, role: "client", tab: "Projects" },
            { tag: "Ctrl+5 freelancer", key: Qt.Key_5, role: "freelancer", tab: "Contracts" },
            { tag: "Ctrl+0 client", key: Qt.Key_0, role: "client", tab: "More" },
            { tag: "Ctrl+0 freelancer (nine tabs)", key: Qt.Key_0, role: "freelancer",
              tab: "Discover" }
        ]
    }

    function test_ctrlDigitSelectsTheNthTab(row) {
        show(row.role)
        keyClick(row.key, Qt.ControlModifier)
        compare(v.current, row.tab)
    }

    function test_f5ReloadsTheViewShown() {
        show("client")
        v.current = "Wallet"
        var before = win.count("GET", "api/wallet")
        keyClick(Qt.Key_F5)
        compare(win.count("GET", "api/wallet"), before + 1)
    }

    function test_signOutEmitsAtOnce() {
        show("freelancer")
        var logoutsWhenEmitted = -1
        v.loggedOut.connect(() => logoutsWhenEmitted = Api.logoutCount)
        click("signOutButton")
        compare(logoutsWhenEmitted, 1) // Api.logout() ran first
        // the sign-out goes through Api alone, unanswered
        compare(win.calls.filter(c => c.path.indexOf("logout") >= 0), [])
    }
}
