import QtQuick
import QtQuick.Layouts

// Says in the page why a load failed and offers to try again; what the page showed stays.
RowLayout {
    id: line

    // The Latest whose failure this line shows.
    property var source: null

    Layout.fillWidth: true
    visible: !!source && source.failure !== ""
    spacing: 8

    Line {
        objectName: line.objectName + "Text"
        kind: "alarm"
        text: line.source ? "Could not load: " + line.source.failure : ""
        Accessible.role: Accessible.AlertMessage
    }
    SteadyButton {
        objectName: line.objectName + "Retry"
        text: "Retry"
        enabled: !!line.source && !line.source.busy
        onClicked: line.source.retry()
    }
}
