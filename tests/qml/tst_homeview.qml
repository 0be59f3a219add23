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

    function test_tabsByRole(row) {
        show(row.user)
        if (row.then)
            win.user = row.then
        compare([v.tabs, el("nameLabel").text], [row.tabs, row.name])
        compare([v.current, el("content").item.objectName], ["Discover", "DiscoverView"])
    }

    // Each tab is created afresh; focus starts on its first control, and leaves one that went away.
    function test_focusFollowsThePage() {
        show("client")
        click("tab_Wallet")
        var wallet = el("content").item
        compare([v.current, wallet.objectName], ["Wallet", "WalletView"])
        click("tab_Contests")
        var contests = el("content").item
        tryVerify(() => el("modeButton").activeFocus)
        contests.detail = { contest: { id: 1, title: "Logo" } }
        findChild(el("detailPage"), "backButton").forceActiveFocus()
        contests.detail = null
        tryVerify(() => el("modeButton").activeFocus)
        click("tab_Wallet")
        verify(el("content").item !== wallet, "the wallet view was kept instead of created afresh")
    }

    // A freelancer's Ctrl+digit picks from the freelancer's nine tabs, so Ctrl+0 picks none.
    function test_ctrlDigitPicksFromTheRolesTabs() {
        show("freelancer")
        keyClick(Qt.Key_5, Qt.ControlModifier)
        keyClick(Qt.Key_0, Qt.ControlModifier)
        compare(v.current, "Contracts")
    }

    readonly property var notifier: Notifier // qmllint disable unqualified

    // Answers the notifications fetch: "3" unread, "2r" read, "1e" read_at "", "0a" none.
    function fetched(ids, status) {
        var marks = { r: "2024-05-01 10:00:00", e: "" }
        win.answer("GET", "api/notifications", status || 200, { notifications: ids.split(" ").map(
            w => ({ id: parseInt(w), title: "T" + parseInt(w),
                    read_at: w.endsWith("a") ? undefined : marks[w.slice(-1)] ?? null })) })
    }

    // Unread count, for a reader too; one fetch at a time; pop-ups only while the window is behind.
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
        // opening Notifications and marking all read count at once
        click("tab_Notifications")
        fetched("6 5")
        compare(tab.text, "Notifications (2)")
        click("markAllReadButton")
        win.answer("POST", "api/notifications/read", 200, {})
        fetched("6r 5r")
        compare(tab.text, "Notifications")
        // signed in again, the first fetch only learns what is there
        v.destroy()
        wait(0)
        show("client")
        win.active = false
        tryVerify(() => win.findCall("GET", "api/notifications") !== null)
        fetched("8 7")
        compare(notifier.shown, ["T5"])
    }

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
