pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Window
import QtQuick.Controls.Fusion
import "outcome.js" as Outcome
import "palette.js" as Palette

// The one window: the request function every document uses, the signed-in user, the toast, and
// the pages (boot, sign-in, shell). (Lines marked "qmllint disable unqualified" use `Api`, which
// start-up publishes to every document.)
ApplicationWindow {
    id: win
    objectName: "win"
    width: 1100
    height: 760
    visible: true
    // Small enough for a laptop split screen; at this size every tab and "Sign out" can still be
    // reached (the sidebar scrolls).
    minimumWidth: 760
    minimumHeight: 480
    title: "Velto — Talent Marketplace"
    color: Palette.window

    // Fusion draws its controls from the window's palette: light text on the dark pages.
    palette.window: Palette.window
    palette.windowText: Palette.text
    palette.button: Palette.control
    // Per state: setting all groups at once would also paint disabled buttons white.
    palette.active.buttonText: Palette.text
    palette.inactive.buttonText: Palette.text
    palette.highlight: Palette.accent
    palette.highlightedText: Palette.text
    palette.disabled.buttonText: Palette.muted
    palette.disabled.windowText: Palette.muted

    // request id -> { cb, asker } of a request still waiting for its reply
    property var pending: ({})
    property int seq: 0
    property var user: null
    // The last resume got no answer, or a failing one: the sign-in page says so and the resume
    // is tried again every few seconds, so the shell appears once the service is back.
    property bool serviceDown: false

    // Sends a request; cb(status, data, raw) runs once with its reply, but only while `asker`, the
    // object the request was made for (a page's loader, a row's button, a dialog), still exists: a
    // reply that comes after its page, row or dialog went is dropped here, so no caller checks.
    // Without an asker the reply is always wanted (the window's own requests).
    function call(method, path, body, cb, asker) {
        seq += 1
        var id = seq
        // Stored first: an unsupported method is answered inside Api.request itself.
        pending[id] = { cb: cb, asker: asker }
        Api.request(id, method, path, JSON.stringify(body || {})) // qmllint disable unqualified
    }

    // The shell and its views are compiled only when somebody is signed in, so the sign-in page
    // comes up without waiting for eleven documents it does not show.
    function showHome() {
        serviceDown = false
        var home = stack.replace(Qt.resolvedUrl("HomeView.qml"))
        home.loggedOut.connect(function () {
            win.user = null
            stack.replace(loginComp)
        })
    }

    // Asks the service who is signed in with the stored cookies. No answer, or a failing
    // service, is no verdict on the stored sign-in: the sign-in page shows meanwhile.
    function resume() {
        call("GET", "api/auth/me", null, function (status, data) {
            if (win.user !== null)
                return // signed in by hand meanwhile
            var u = Outcome.userOf(status, data)
            if (u !== null) {
                win.user = u
                win.showHome()
                return
            }
            win.serviceDown = status === 0 || status >= 500
            if (stack.currentItem.objectName !== "LoginView")
                stack.replace(loginComp)
        })
    }

    // A 401 while signed in means the service no longer knows this session (it ended elsewhere
    // or expired): the sign-in page says so, instead of pages that stay empty.
    function sessionEnded() {
        if (user === null)
            return
        user = null
        stack.replace(loginComp, { notice: "Your session has ended — please sign in again." })
    }

    // The page in front fetches again what it shows, as F5 does: asked by Writer after a write
    // whose answer never came, so the person sees whether it was carried out. Only the shell
    // offers it, looked up by name: Main does not know the shell's type (see showHome()).
    function reloadPage() {
        var shell = stack.currentItem
        var reload = "reloadCurrent"
        if (shell && typeof shell[reload] === "function")
            shell[reload]()
    }

    function toast(msg) {
        toastLabel.text = msg
        toastRect.visible = true
        toastTimer.restart()
    }

    Connections {
        target: Api // qmllint disable unqualified
        function onReply(id, status, raw) {
            if (!win.pending.hasOwnProperty(id))
                return
            var entry = win.pending[id]
            delete win.pending[id]
            // After the callback: the page that asked must not be gone while it handles the reply.
            if (status === 401 && win.user !== null)
                Qt.callLater(win.sessionEnded)
            // A deleted object is no Qt object any more, though the reference to it remains.
            var wanted = entry.asker === undefined || entry.asker === null
                         || Qt.isQtObject(entry.asker)
            if (typeof entry.cb === "function" && wanted)
                entry.cb(status, Outcome.parse(raw), raw)
        }
    }

    Component.onCompleted: resume()

    Timer {
        objectName: "resumeTimer"
        interval: 5000
        repeat: true
        running: win.serviceDown && win.user === null
        onTriggered: win.resume()
    }

    StackView {
        id: stack
        objectName: "stack"
        anchors.fill: parent
        initialItem: bootComp
        // Pages swap at once: the old one is gone as soon as the new one shows.
        replaceEnter: null
        replaceExit: null
    }

    Component {
        id: bootComp
        Item {
            objectName: "bootPage"
            BusyIndicator {
                objectName: "bootIndicator"
                anchors.centerIn: parent
                running: true
                // Fusion draws it in the text colour, which is dark: light on the dark page.
                palette.text: Palette.text
                Accessible.name: "Loading"
            }
        }
    }

    Component {
        id: loginComp
        LoginView {
            onLoggedIn: function (u) {
                win.user = u
                win.showHome()
            }
        }
    }


    Rectangle {
        id: toastRect
        objectName: "toast"
        visible: false
        z: 100
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        width: Math.min(toastLabel.implicitWidth + 40, 520)
        height: toastLabel.height + 24
        radius: 8
        color: Palette.card
        border.color: Palette.accent
        // Announced by a reader without taking the focus.
        Accessible.role: Accessible.AlertMessage
        Accessible.name: toastLabel.text

        Label {
            id: toastLabel
            objectName: "toastLabel"
            anchors.centerIn: parent
            width: parent.width - 32
            // Toasts carry the service's words: never read them as markup.
            textFormat: Text.PlainText
            color: Palette.text
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
        }

        Timer {
            id: toastTimer
            objectName: "toastTimer"
            interval: 3500
            repeat: false
            onTriggered: toastRect.visible = false
        }

        MouseArea {
            anchors.fill: parent
            onClicked: toastRect.visible = false
        }
    }
}
