import QtQuick
import QtQuick.Window
import QtQuick.Controls.Fusion

ApplicationWindow {
    id: win
    objectName: "win"
    width: 1100
    height: 760
    visible: true
    title: "Velto — Talent Marketplace"
    color: "#0F1B4D"

    // Fusion draws its controls from the window's palette: light text on the dark pages.
    palette.window: "#0F1B4D"
    palette.windowText: "white"
    palette.button: "#2B3B6B"
    palette.buttonText: "white"
    palette.highlight: "#6E97FF"
    palette.highlightedText: "white"
    palette.disabled.buttonText: "#7A8AB8"
    palette.disabled.windowText: "#7A8AB8"

    // request id -> callback of a request still waiting for its reply
    property var pending: ({})
    property int seq: 0
    property var user: null

    function call(method, path, body, cb) {
        seq += 1
        var id = seq
        // Stored first: an unsupported method is answered inside Api.request itself.
        pending[id] = cb
        Api.request(id, method, path, JSON.stringify(body || {}))
    }

    function toast(msg) {
        toastLabel.text = msg
        toastRect.visible = true
        toastTimer.restart()
    }

    Connections {
        target: Api
        function onReply(id, status, raw) {
            if (!win.pending.hasOwnProperty(id))
                return
            var cb = win.pending[id]
            delete win.pending[id]
            var data = null
            if (typeof raw === "string" && raw.length > 0) {
                try {
                    data = JSON.parse(raw)
                } catch (e) {
                    data = null
                }
            }
            if (typeof cb === "function")
                cb(status, data, raw)
        }
    }

    Component.onCompleted: {
        call("GET", "api/auth/me", null, function (status, data) {
            if (status === 200 && data !== null && data.user !== undefined && data.user !== null) {
                win.user = data.user
                stack.replace(homeComp)
            } else {
                stack.replace(loginComp)
            }
        })
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
                anchors.centerIn: parent
                running: true
            }
        }
    }

    Component {
        id: loginComp
        LoginView {
            onLoggedIn: function (u) {
                win.user = u
                stack.replace(homeComp)
            }
        }
    }

    Component {
        id: homeComp
        HomeView {
            onLoggedOut: {
                win.user = null
                stack.replace(loginComp)
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
        color: "#1E2A4A"
        border.color: "#6E97FF"

        Label {
            id: toastLabel
            objectName: "toastLabel"
            anchors.centerIn: parent
            width: parent.width - 32
            color: "white"
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
        }

        Timer {
            id: toastTimer
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
