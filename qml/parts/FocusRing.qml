import QtQuick
import "../palette.js" as Palette

// The ring of the control the keyboard is on: light, edged in the window colour so that it shows
// on dark pages and light sheets alike, apart from any selected or highlighted state. It is made
// only while shown, so the many controls of a page cost nothing for it.
Loader {
    property bool shown: false
    property real radius: 4
    property real outset: 0

    anchors.fill: parent
    anchors.margins: -outset
    z: 1
    active: shown
    sourceComponent: Rectangle {
        id: ring
        // The loader's corners, reached as the loader: a loader makes its component in the
        // context of the document that uses it, so this part is not bound to its own ids.
        readonly property var host: parent
        radius: ring.host ? ring.host.radius : 4
        color: "transparent"
        border.width: 2
        border.color: Palette.focus
        Rectangle {
            anchors.fill: parent
            anchors.margins: 2
            radius: 2
            color: "transparent"
            border.width: 1
            border.color: Palette.window
        }
    }
}
