import QtQuick
import Velto

ViewCase {
    name: "HomeView"
    view: Component { HomeView { anchors.fill: parent } }

    readonly property var everyone: ["Discover", "Gigs", "Gig Orders", "Contests", "Contracts",
        "Wallet", "Notifications", "More"]

    // The name line shows the full name, else the e-mail.
    function test_tabsByRole_data() {
        var withClient = everyone.slice(0, 4).concat(["Projects", "Teams"], everyone.slice(4))
        var withSkills = everyone.slice(0, 6).concat(["Skills"], everyone.slice(6))
        return [
            { tag: "client", user: { role: "client", full_name: "Asha Rao", email: "a@x" },
              tabs: withClient, name: "Asha Rao" },
            { tag: "freelancer", user: { role: "freelancer", full_name: "", email: "a@x" },
              tabs: withSkills, name: "a@x" },
            { tag: "other role", user: { role: "admin" }, tabs: everyone, name: "" },
            { tag: "no user", user: null, tabs: everyone, name: "" },
            { tag: "client, then freelancer", user: { role: "client" },
              then: { role: "freelancer", full_name: "Ravi" }, tabs: withSkills, name: "Ravi" }
        ]
    }

    // The sidebar as a person sees it, top to bottom, and each tab's view are checked end to end
    // (tst_e2e_auth and the other journeys).
    function test_tabsByRole(row) {
        show(row.user)
        if (row.then)
            win.user = row.then
        compare([v.tabs, el("nameLabel").text], [row.tabs, row.name])
        compare([v.current, el("content").item.objectName], ["Discover", "DiscoverView"])
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

    // A click shows the tab; coming back to a tab creates its view afresh.
    function test_clickedTab() {
        show("client")
        var loader = el("content")
        click("tab_Wallet")
        var first = loader.item
        compare([v.current, first.objectName], ["Wallet", "WalletView"])
        click("tab_Discover")
        compare(loader.item.objectName, "DiscoverView")
        click("tab_Wallet")
        verify(loader.item !== first, "the wallet view was kept instead of created afresh")
    }

    // A client's Ctrl+digit is checked end to end (tst_e2e_auth); a freelancer's picks from the
    // freelancer's nine tabs, so Ctrl+0 picks none.
    function test_ctrlDigitPicksFromTheRolesTabs() {
        show("freelancer")
        keyClick(Qt.Key_5, Qt.ControlModifier)
        keyClick(Qt.Key_0, Qt.ControlModifier)
        compare(v.current, "Contracts")
    }
}
