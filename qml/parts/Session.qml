pragma ComponentBehavior: Bound
import QtQml
import "../roles.js" as Roles

// What a view knows of the program around it: the window (its user, whether it has the keyboard,
// its toast), the side of the marketplace the user is on, and the objects start-up publishes.
// The window's id `win`, `Api`, `Proctor` and `Notifier` reach every document out of qmllint's
// sight: they are named here once, and views reach them through this part (requests through
// Latest and Writer).
QtObject {
    readonly property var window: win // qmllint disable unqualified
    readonly property var api: Api // qmllint disable unqualified
    readonly property var proctor: Proctor // qmllint disable unqualified
    readonly property var notifier: Notifier // qmllint disable unqualified

    readonly property var user: window.user
    readonly property bool isClient: Roles.is(user, Roles.client)
    readonly property bool isFreelancer: Roles.is(user, Roles.freelancer)
    readonly property bool active: window.active !== false

    function toast(text) {
        window.toast(text)
    }

    // The user record as the service states it now (fetched again from "api/auth/me"), kept in
    // the window, the one place every page reads it from. The same record is not set again:
    // what follows the user (the shell's tabs) is not rebuilt for nothing.
    function updateUser(u) {
        if (JSON.stringify(u) !== JSON.stringify(window.user))
            window.user = u
    }
}
