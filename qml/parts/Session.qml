pragma ComponentBehavior: Bound
import QtQml
import "../roles.js" as Roles

// What a view knows of the window that shows it: the signed-in person, the side of the
// marketplace they are on, whether the window has the keyboard, and the toast. Views reach the
// window through this part alone (its requests through Latest and Writer). `win` is the window's
// id, which reaches every document it shows out of qmllint's sight: hence the marked lines.
QtObject {
    readonly property var user: win.user // qmllint disable unqualified
    readonly property bool isClient: Roles.is(user, Roles.client)
    readonly property bool isFreelancer: Roles.is(user, Roles.freelancer)
    readonly property bool active: win.active !== false // qmllint disable unqualified

    function toast(text) {
        win.toast(text) // qmllint disable unqualified
    }
}
