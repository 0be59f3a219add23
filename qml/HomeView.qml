pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "focus.js" as Focus
import "palette.js" as Palette
import "roles.js" as Roles
import "sizes.js" as Sizes
import "value.js" as Value
import "parts"

// The signed-in page: a sidebar with the role's tabs beside the content of the selected tab.
// Ctrl+1 … Ctrl+0 select the first ten tabs, F5 reloads the view shown.
Item {
    id: root
    objectName: "HomeView"

    signal loggedOut()

    Session {
        id: session
    }

    // Every tab once, in sidebar order: its name (also the button text), who sees it ("" for
    // everyone) and the document it shows. Documents are loaded when their tab is first shown, so
    // the shell does not wait for eleven views to compile before its first frame.
    readonly property var table: [
        { name: "Discover", role: "", view: "DiscoverView" },
        { name: "Gigs", role: "", view: "GigsView" },
        { name: "Gig Orders", role: "", view: "GigOrdersView" },
        { name: "Contests", role: "", view: "ContestsView" },
        { name: "Projects", role: Roles.client, view: "ProjectsView" },
        { name: "Teams", role: Roles.client, view: "TeamsView" },
        { name: "Contracts", role: "", view: "ContractsView" },
        { name: "Wallet", role: "", view: "WalletView" },
        { name: "Skills", role: Roles.freelancer, view: "SkillsView" },
        { name: "Notifications", role: "", view: "NotificationsView" },
        { name: "More", role: "", view: "MoreView" }
    ]
    readonly property var tabs: table.filter(function (t) {
        return t.role === "" || Roles.is(session.user, t.role)
    }).map(function (t) { return t.name })
    property string current: "Discover"

    // The document of a tab; any name not in the table shows Discover.
    function viewFor(name) {
        for (var i = 0; i < table.length; ++i) {
            if (table[i].name === name)
                return Qt.resolvedUrl(table[i].view + ".qml")
        }
        return Qt.resolvedUrl("DiscoverView.qml")
    }

    function signOut() {
        // An exam's microphone closes first, as on submit: nothing that follows may keep it open.
        session.proctor.stop()
        // The jar and the cookie file are emptied inside logout(); the service's answer is not
        // awaited.
        session.api.logout()
        root.loggedOut()
    }

    // Only a freelancer sits exams: the camera and microphone get ready while the shell is idle.
    Component.onCompleted: if (session.isFreelancer) session.proctor.prepare()

    // After sign-in and after each tab change the keyboard starts on the page's first control.
    function focusPage() {
        var first = content.item ? Focus.firstControl(content.item) : null
        if (first)
            first.forceActiveFocus(Qt.TabFocusReason)
    }

    // The keyboard never rests on a control that is no longer shown (a page that went away under
    // it, a button its own press hid): it goes back to the page's first control.
    readonly property Item focused: Window.activeFocusItem
    function checkFocus() {
        if (focused && !focused.visible && Focus.within(focused, content))
            focusLater.restart()
    }
    onFocusedChanged: checkFocus()
    // After what is under way settles (a page being made or taken down).
    Timer {
        id: focusLater
        interval: 0
        onTriggered: root.focusPage()
    }
    Connections {
        target: root.focused
        ignoreUnknownSignals: true
        function onVisibleChanged() {
            root.checkFocus()
        }
    }

    // The unread count on the Notifications tab, from the shell's own fetches and from the
    // Notifications page's; a click on a desktop notification opens that tab.
    UnreadCount {
        id: unread
        onOpened: root.current = unread.tab
    }
    Connections {
        target: content.item
        ignoreUnknownSignals: true
        function onFetched(records) {
            unread.take(records)
        }
    }

    // Every view's load() fetches again what its page in front shows.
    readonly property var view: content.item
    function reloadCurrent() {
        if (view)
            view.load()
    }

    Repeater {
        model: 10
        delegate: Item {
            id: slot
            required property int index
            Shortcut {
                sequence: "Ctrl+" + ((slot.index + 1) % 10)
                enabled: slot.index < root.tabs.length
                onActivated: root.current = root.tabs[slot.index]
            }
        }
    }
    Shortcut {
        sequence: "F5"
        onActivated: root.reloadCurrent()
    }

    Rectangle {
        id: sidebar
        objectName: "sidebar"
        width: 210
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        color: Palette.window

        // Scrolls when the window is too low for every tab and "Sign out".
        Flickable {
            objectName: "sidebarFlick"
            anchors.fill: parent
            contentHeight: Math.max(height, sidebarColumn.implicitHeight + 28)
            boundsBehavior: Flickable.StopAtBounds
            clip: true
            ScrollBar.vertical: ScrollBar {}

            ColumnLayout {
                id: sidebarColumn
                objectName: "sidebarColumn"
                x: 14
                y: 14
                width: sidebar.width - 28
                height: parent.height - 28
                spacing: 4

                Label {
                    objectName: "brandLabel"
                    text: "Velto"
                    color: Palette.text
                    font.pixelSize: Sizes.sidebarBrand
                    font.bold: true
                }

                Label {
                    objectName: "nameLabel"
                    Layout.fillWidth: true
                    text: !session.user ? ""
                        : (Value.text(session.user.full_name) || Value.text(session.user.email))
                    color: Palette.secondary
                    font.pixelSize: Sizes.meta
                    elide: Text.ElideRight
                    // The name is the person's own words: never read it as markup.
                    textFormat: Text.PlainText
                }

                Item {
                    Layout.preferredHeight: 10
                }

                Repeater {
                    model: root.tabs
                    delegate: SteadyButton {
                        required property string modelData
                        required property int index
                        readonly property bool selected: root.current === modelData
                        objectName: "tab_" + modelData
                        Layout.fillWidth: true
                        text: unread.tabText(modelData)
                        highlighted: selected
                        flat: !selected
                        Accessible.description: index < 10 ? "Ctrl+" + ((index + 1) % 10) : ""
                        onClicked: root.current = modelData
                    }
                }

                Item {
                    Layout.fillHeight: true
                }

                SteadyButton {
                    objectName: "signOutButton"
                    Layout.fillWidth: true
                    text: "Sign out"
                    onClicked: root.signOut()
                }
            }
        }
    }

    Rectangle {
        objectName: "contentArea"
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.left: sidebar.right
        anchors.right: parent.right
        color: Palette.content

        // A new source destroys the view shown and creates the next one afresh.
        Loader {
            id: content
            objectName: "content"
            anchors.fill: parent
            source: root.viewFor(root.current)
            onLoaded: focusLater.restart()
        }
    }
}
