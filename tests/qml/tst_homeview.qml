import QtQuick

ViewCase {
    name: "HomeView"

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

    readonly property var notifier: Notifier // qmllint disable unqualified

    // Answers the first pending "api/notifications" with these ids: "3" unread, "2r" read, "1e"
    // read_at empty, "0a" read_at absent.
    function fetched(ids, status) {
        var marks = { r: "2024-05-01 10:00:00", e: "" }
        win.answer("GET", "api/notifications", status || 200, { notifications: ids.split(" ").map(
            w => ({ id: parseInt(w), title: "T" + parseInt(w),
                    read_at: w.endsWith("a") ? undefined : marks[w.slice(-1)] ?? null })) })
    }

    // The unread count on the Notifications tab, a reader's name for it too; desktop notifications
    // only for what arrives while the window is behind others; one fetch at a time.
    function test_unreadCount() {
        notifier.reset()
        show("client")
        var tab = el("tab_Notifications"), tick = () => el("unreadTimer").triggered()
        tryVerify(() => win.findCall("GET", "api/notifications") !== null)
        fetched("4 3 2r 1e 0a")
        compare([tab.text, machine.accessible(tab).name], ["Notifications (3)", "Notifications (3)"])
        tick()
        win.active = false
        win.active = true // activated again, while the tick's fetch is under way
        compare(win.count("GET", "api/notifications"), 2)
        fetched("", 503)
        compare([tab.text, win.toasts], ["Notifications (3)", []])
        win.active = false
        tick()
        fetched("5 4 3")
        win.active = true
        fetched("6 5 4 3")
        compare([notifier.shown, tab.text], [["T5"], "Notifications (4)"])
        // Opening Notifications and marking all read count at once.
        click("tab_Notifications")
        fetched("6 5")
        compare(tab.text, "Notifications (2)")
        click("markAllReadButton")
        win.answer("POST", "api/notifications/read", 200, {})
        fetched("6r 5r")
        compare(tab.text, "Notifications")
        // Signed out and in again: the next shell's first fetch only learns what is there.
        v.destroy()
        wait(0)
        show("client")
        win.active = false
        tryVerify(() => win.findCall("GET", "api/notifications") !== null)
        fetched("8 7")
        compare(notifier.shown, ["T5"])
    }

    // "Desktop notifications" in More follows the notifier's setting, both ways.
    function test_desktopNotificationsSetting() {
        notifier.reset()
        show("client")
        click("tab_More")
        click("desktopNotificationsCheck")
        compare(notifier.enabled, false)
        notifier.enabled = true
        verify(el("desktopNotificationsCheck").checked)
    }
}
