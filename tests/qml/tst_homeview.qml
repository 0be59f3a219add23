import QtQuick
import QtTest
import Velto

Item {
    id: top
    width: 1100
    height: 760

    FakeWin {
        id: win
    }

    Component {
        id: homeComp
        HomeView {
            anchors.fill: parent
        }
    }

    SignalSpy {
        id: loggedOutSpy
        signalName: "loggedOut"
    }

    TestCase {
        name: "HomeView"
        when: windowShown

        readonly property var allTabs: ["Discover", "Gigs", "Gig Orders", "Contests", "Projects",
            "Teams", "Contracts", "Wallet", "Skills", "Notifications", "More"]

        function init() {
            win.reset()
            Api.reset()
            loggedOutSpy.clear()
        }

        function createHome(user) {
            win.user = user
            var v = createTemporaryObject(homeComp, top)
            verify(v !== null)
            loggedOutSpy.target = v
            return v
        }

        function el(v, name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }

        // The tab buttons as a person sees them: visible sidebar buttons, top to bottom.
        function shownTabs(v) {
            var found = []
            for (var i = 0; i < allTabs.length; ++i) {
                var b = findChild(v, "tab_" + allTabs[i])
                if (b !== null && b.visible) {
                    compare(b.text, allTabs[i])
                    found.push(b)
                }
            }
            found.sort(function (a, b) { return a.y - b.y })
            return found.map(function (b) { return b.text })
        }

        function test_tabsByRole_data() {
            return [
                { tag: "client", user: { id: 1, role: "client", full_name: "C" },
                  tabs: ["Discover", "Gigs", "Gig Orders", "Contests", "Projects", "Teams",
                         "Contracts", "Wallet", "Notifications", "More"] },
                { tag: "freelancer", user: { id: 2, role: "freelancer", full_name: "F" },
                  tabs: ["Discover", "Gigs", "Gig Orders", "Contests", "Contracts", "Wallet",
                         "Skills", "Notifications", "More"] },
                { tag: "other role", user: { id: 3, role: "admin", full_name: "A" },
                  tabs: ["Discover", "Gigs", "Gig Orders", "Contests", "Contracts", "Wallet",
                         "Notifications", "More"] },
                { tag: "no user", user: null,
                  tabs: ["Discover", "Gigs", "Gig Orders", "Contests", "Contracts", "Wallet",
                         "Notifications", "More"] }
            ]
        }

        function test_tabsByRole(row) {
            var v = createHome(row.user)
            waitForItemPolished(el(v, "sidebarColumn"))
            compare(v.tabs, row.tabs)
            compare(shownTabs(v), row.tabs)
            compare(v.current, "Discover")
            compare(el(v, "content").item.objectName, "DiscoverView")
        }

        function test_tabsFollowTheUser() {
            var v = createHome({ id: 1, role: "freelancer" })
            compare(v.tabs.length, 9)
            win.user = { id: 1, role: "client" }
            compare(v.tabs.length, 10)
            compare(v.isClient, true)
            compare(v.isFreelancer, false)
            verify(findChild(v, "tab_Projects") !== null)
            win.user = null
            compare(v.tabs.length, 8)
        }

        function test_nameLine_data() {
            return [
                { tag: "full name", user: { role: "client", full_name: "Asha Rao", email: "a@x" },
                  shown: "Asha Rao" },
                { tag: "empty name", user: { role: "client", full_name: "", email: "a@x" },
                  shown: "a@x" },
                { tag: "no name", user: { role: "client", email: "a@x" }, shown: "a@x" },
                { tag: "null name", user: { role: "client", full_name: null, email: "a@x" },
                  shown: "a@x" },
                { tag: "nothing", user: { role: "client" }, shown: "" },
                { tag: "signed out", user: null, shown: "" }
            ]
        }

        function test_nameLine(row) {
            var v = createHome(row.user)
            compare(el(v, "nameLabel").text, row.shown)
        }

        function test_clickedTabIsHighlightedAndShown() {
            var v = createHome({ role: "client", full_name: "C" })
            waitForItemPolished(el(v, "sidebarColumn"))
            compare(el(v, "tab_Discover").highlighted, true)
            compare(el(v, "tab_Discover").flat, false)
            mouseClick(el(v, "tab_Gig Orders"))
            compare(v.current, "Gig Orders")
            compare(el(v, "content").item.objectName, "GigOrdersView")
            compare(el(v, "tab_Gig Orders").highlighted, true)
            compare(el(v, "tab_Gig Orders").flat, false)
            compare(el(v, "tab_Discover").highlighted, false)
            compare(el(v, "tab_Discover").flat, true)
        }

        function test_everyTabShowsItsView_data() {
            return [
                { tag: "Discover", view: "DiscoverView" },
                { tag: "Gigs", view: "GigsView" },
                { tag: "Gig Orders", view: "GigOrdersView" },
                { tag: "Contests", view: "ContestsView" },
                { tag: "Projects", view: "ProjectsView" },
                { tag: "Teams", view: "TeamsView" },
                { tag: "Contracts", view: "ContractsView" },
                { tag: "Wallet", view: "WalletView" },
                { tag: "Skills", view: "SkillsView" },
                { tag: "Notifications", view: "NotificationsView" },
                { tag: "More", view: "MoreView" },
                { tag: "Unknown", view: "DiscoverView" },
                { tag: "", view: "DiscoverView" }
            ]
        }

        function test_everyTabShowsItsView(row) {
            var v = createHome({ role: "client" })
            v.current = row.tag
            compare(el(v, "content").item.objectName, row.view)
        }

        function test_switchingBackCreatesANewView() {
            var v = createHome({ role: "client" })
            waitForItemPolished(el(v, "sidebarColumn"))
            var loader = el(v, "content")
            mouseClick(el(v, "tab_Wallet"))
            var first = loader.item
            compare(first.objectName, "WalletView")
            mouseClick(el(v, "tab_Wallet")) // the tab already shown: nothing changes
            verify(loader.item === first)
            mouseClick(el(v, "tab_Discover"))
            compare(loader.item.objectName, "DiscoverView")
            mouseClick(el(v, "tab_Wallet"))
            compare(loader.item.objectName, "WalletView")
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
            var v = createHome({ role: row.role })
            keyClick(row.key, Qt.ControlModifier)
            compare(v.current, row.tab)
        }

        function test_f5ReloadsTheViewShown() {
            var v = createHome({ role: "client" })
            v.current = "Wallet"
            var before = el(v, "content").item
            var calls = win.calls.length
            keyClick(Qt.Key_F5)
            verify(el(v, "content").item !== before || win.calls.length > calls,
                   "F5 neither reloaded nor recreated the view")
        }

        function test_signOutEmitsAtOnce() {
            var v = createHome({ role: "freelancer", full_name: "F" })
            waitForItemPolished(el(v, "sidebarColumn"))
            var b = el(v, "signOutButton")
            compare(b.text, "Sign out")
            var logoutsWhenEmitted = -1
            v.loggedOut.connect(function () { logoutsWhenEmitted = Api.logoutCount })
            mouseClick(b)
            compare(logoutsWhenEmitted, 1) // Api.logout() ran first
            compare(Api.logoutCount, 1)
            compare(loggedOutSpy.count, 1)
            // the sign-out goes through Api alone, unanswered
            verify(win.summary().indexOf("logout") < 0)
        }
    }
}
