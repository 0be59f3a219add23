pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts

// A row of a FewRows list inside a card: its record (`modelData`), read from the list it is in by
// its index, and a `tag` of the card's and its own index for names ("fundButton_0_1").
// `rowLabel` tells a reader which row its buttons act on.
RowLayout {
    required property int index
    readonly property var few: parent
    readonly property bool placed: !!few && few.rows !== undefined
    readonly property var modelData: placed ? few.rows[index] : ({})
    readonly property string tag: placed ? few.key + "_" + index : ""
    property string rowLabel: ""

    Layout.fillWidth: true
    spacing: 8
}
