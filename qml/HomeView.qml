import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The signed-in page: a sidebar with the role's tabs beside the content of the selected tab.
Item {
    id: root
    objectName: "HomeView"

    signal loggedOut()

    property bool isClient: !!win.user && win.user.role === "client"
    property bool isFreelancer: !!win.user && win.user.role === "freelancer"
    property var tabs: {
        var t = ["Discover", "Gigs", "Gig Orders", "Contests"]
        if (isClient)
            t.push("Projects", "Teams")
        t.push("Contracts", "Wallet")
        if (isFreelancer)
            t.push("Skills")
        t.push("Notifications", "More")
        return t
    }
    property string current: "Discover"

    // Tab name -> the document shown for it; any other name shows Discover.
    readonly property var views: ({
        "Discover": discoverComp,
        "Gigs": gigsComp,
        "Gig Orders": gigOrdersComp,
        "Contests": contestsComp,
        "Projects": projectsComp,
        "Teams": teamsComp,
        "Contracts": contractsComp,
        "Wallet": walletComp,
        "Skills": skillsComp,
        "Notifications": notificationsComp,
        "More": moreComp
    })

    function viewFor(name) {
        return views.hasOwnProperty(name) ? views[name] : discoverComp
    }

    function signOut() {
        // The jar and the cookie file are emptied inside logout(); the service's answer is not
        // awaited.
        Api.logout()
        root.loggedOut()
    }

    Rectangle {
        id: sidebar
        objectName: "sidebar"
        width: 210
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        color: "#0F1B4D"

        ColumnLayout {
            objectName: "sidebarColumn"
            anchors.fill: parent
            anchors.margins: 14
            spacing: 4

            Label {
                objectName: "brandLabel"
                text: "Velto"
                color: "white"
                font.pixelSize: 22
                font.bold: true
            }

            Label {
                objectName: "nameLabel"
                Layout.fillWidth: true
                text: !win.user ? ""
                    : (win.user.full_name ? win.user.full_name : (win.user.email || ""))
                color: "#9DB0E8"
                font.pixelSize: 11
                elide: Text.ElideRight
            }

            Item {
                Layout.preferredHeight: 10
            }

            Repeater {
                model: root.tabs
                delegate: Button {
                    required property string modelData
                    objectName: "tab_" + modelData
                    Layout.fillWidth: true
                    text: modelData
                    highlighted: root.current === modelData
                    flat: root.current !== modelData
                    onClicked: root.current = modelData
                }
            }

            Item {
                Layout.fillHeight: true
            }

            Button {
                objectName: "signOutButton"
                Layout.fillWidth: true
                text: "Sign out"
                onClicked: root.signOut()
            }
        }
    }

    Rectangle {
        objectName: "contentArea"
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.left: sidebar.right
        anchors.right: parent.right
        color: "#141B33"

        // A new sourceComponent destroys the view shown and creates the next one afresh.
        Loader {
            id: content
            objectName: "content"
            anchors.fill: parent
            sourceComponent: root.viewFor(root.current)
        }
    }

    Component { id: discoverComp; DiscoverView {} }
    Component { id: gigsComp; GigsView {} }
    Component { id: gigOrdersComp; GigOrdersView {} }
    Component { id: contestsComp; ContestsView {} }
    Component { id: projectsComp; ProjectsView {} }
    Component { id: teamsComp; TeamsView {} }
    Component { id: contractsComp; ContractsView {} }
    Component { id: walletComp; WalletView {} }
    Component { id: skillsComp; SkillsView {} }
    Component { id: notificationsComp; NotificationsView {} }
    Component { id: moreComp; MoreView {} }
}
