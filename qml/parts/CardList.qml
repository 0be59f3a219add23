pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// A virtualized list of rows: only the rows on screen (and a little around them) exist. Its model
// is the number of `rows`, not the array (handing a JS array to the view converts every row up
// front: 40 ms for 10,000 projects); each row reads its record as `modelData` (ListRow).
ListView {
    property var rows: []

    Layout.fillWidth: true
    Layout.fillHeight: true
    model: rows.length
    spacing: 8
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    Accessible.role: Accessible.List
    ScrollBar.vertical: ScrollBar {}
}
