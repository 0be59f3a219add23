import QtQuick
import QtQuick.Layouts

// Says in the page why a load failed and offers to try again; what the page showed stays. Made
// only while there is a failure to say.
Loader {
    id: line

    // The Latest whose failure this line shows.
    property var source: null

    Layout.fillWidth: true
    active: !!source && source.failure !== ""
    visible: active

    sourceComponent: RowLayout {
        id: row
        // The line, reached as the loader: a loader makes its component in the context of the
        // document that uses it, so this part is not bound (ComponentBehavior) to its own ids.
        readonly property var host: parent
        spacing: 8

        Line {
            objectName: row.host ? row.host.objectName + "Text" : ""
            kind: "alarm"
            text: row.host && row.host.source ? "Could not load: " + row.host.source.failure : ""
            Accessible.role: Accessible.AlertMessage
        }
        SteadyButton {
            objectName: row.host ? row.host.objectName + "Retry" : ""
            text: "Retry"
            enabled: !!row.host && !!row.host.source && !row.host.source.busy
            onClicked: row.host.source.retry()
        }
    }
}
