import QtQuick
import Velto

// Every view of the shell, for the tables that run over all of them.
QtObject {
    readonly property Component discover: Component { DiscoverView { anchors.fill: parent } }
    readonly property Component projects: Component { ProjectsView { anchors.fill: parent } }
    readonly property Component contests: Component { ContestsView { anchors.fill: parent } }
    readonly property Component teams: Component { TeamsView { anchors.fill: parent } }
    readonly property Component gigs: Component { GigsView { anchors.fill: parent } }
    readonly property Component orders: Component { GigOrdersView { anchors.fill: parent } }
    readonly property Component contracts: Component { ContractsView { anchors.fill: parent } }
    readonly property Component wallet: Component { WalletView { anchors.fill: parent } }
    readonly property Component notifications: Component {
        NotificationsView { anchors.fill: parent }
    }
    readonly property Component more: Component { MoreView { anchors.fill: parent } }
    readonly property Component skills: Component { SkillsView { anchors.fill: parent } }
    readonly property Component home: Component { HomeView { anchors.fill: parent } }
    readonly property Component login: Component { LoginView { anchors.fill: parent } }
}
