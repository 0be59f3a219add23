pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts

// A list inside a card (milestones, deliveries, options): at most `limit` rows are made, and a
// line says how many more there are, so no reply however long can stall the window. Its rows are
// NestedRows, which read their record and the card's `key` from here.
ColumnLayout {
    id: few

    property var rows: []
    // The card's index, for the names of the rows' controls.
    property string key: ""
    property int limit: 10
    property alias delegate: repeater.delegate
    readonly property int hidden: Math.max(0, rows.length - limit)

    Layout.fillWidth: true
    spacing: 4

    Repeater {
        id: repeater
        model: Math.min(few.rows.length, few.limit)
    }
    Line {
        objectName: few.objectName + "More"
        visible: few.hidden > 0
        kind: "meta"
        text: "… and " + few.hidden + " more not shown here"
    }
}
