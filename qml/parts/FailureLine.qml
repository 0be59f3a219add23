pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts

// Says in the page why a load failed and offers to try again; what the page showed stays. Made
// only while there is a failure to say.
Loader {
    id: line

    // The Latest whose failure this line shows.
    property Latest source: null

    Layout.fillWidth: true
    active: !!source && source.failure !== ""
    visible: active

    sourceComponent: RowLayout {
        spacing: 8

        Line {
            objectName: line.objectName + "Text"
            kind: "alarm"
            text: "Could not load: " + line.source.failure
            Accessible.role: Accessible.AlertMessage
        }
        SteadyButton {
            objectName: line.objectName + "Retry"
            text: "Retry"
            enabled: !line.source.busy
            onClicked: line.source.retry()
        }
    }
}
