pragma ComponentBehavior: Bound
import QtQuick
import "../focus.js" as Focus

// A row of a list as the keyboard and a reader meet it. Tab stops at the list's current row, then
// at that row's buttons, and leaves the list after them; Up and Down make the row above or below
// the current one (scrolled into view); Return or Space opens a clickable row. The current row is
// marked while the keyboard is on it, and a reader hears its `rowLabel` and `rowText`. The row
// reads its record from the list's `rows` by its index (CardList).
Item {
    id: row

    required property int index
    // The list this row is in, if any.
    readonly property var list: ListView.view
    readonly property var modelData: list && list.rows ? list.rows[index] : ({})
    // How a reader tells this row and its buttons from the others ("Fund — Core data model").
    property string rowLabel: ""
    property string rowText: ""
    property bool clickable: false
    // The row Tab stops at: the list's current one (any row outside a list).
    readonly property bool currentRow: !ListView.view || ListView.isCurrentItem
    readonly property bool marked: currentRow
                                   && (activeFocus || Focus.within(Window.activeFocusItem, row))
    // The corners of the row's look, which its focus mark follows.
    property real radius: 0

    signal clicked()

    // Makes this the list's current row and shows it.
    function makeCurrent() {
        var list = row.list
        if (!list || list.currentIndex === index)
            return
        list.currentIndex = index
        list.positionViewAtIndex(index, ListView.Contain)
    }

    // The keyboard goes to the row first, which then becomes the current one: the row it leaves
    // must not stop being reachable by Tab while the keyboard is still on it.
    function move(step) {
        var list = row.list
        if (!list)
            return
        var next = Math.max(0, Math.min(list.count - 1, index + step))
        list.positionViewAtIndex(next, ListView.Contain)
        var target = list.itemAtIndex(next)
        if (target)
            target.forceActiveFocus(Qt.TabFocusReason)
    }

    width: ListView.view ? ListView.view.width : (parent ? parent.width : 0)
    activeFocusOnTab: currentRow
    onActiveFocusChanged: if (activeFocus) makeCurrent()

    Keys.onUpPressed: move(-1)
    Keys.onDownPressed: move(1)
    Keys.onReturnPressed: function (event) { event.accepted = row.clickable; if (row.clickable) row.clicked() }
    Keys.onEnterPressed: function (event) { event.accepted = row.clickable; if (row.clickable) row.clicked() }
    Keys.onSpacePressed: function (event) { event.accepted = row.clickable; if (row.clickable) row.clicked() }

    Accessible.role: clickable ? Accessible.Button : Accessible.ListItem
    Accessible.name: rowLabel
    Accessible.description: rowText
    Accessible.focusable: true
    Accessible.onPressAction: if (clickable) row.clicked()

    MouseArea {
        anchors.fill: parent
        enabled: row.clickable
        cursorShape: row.clickable ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: row.clicked()
    }

    FocusRing {
        shown: row.marked
        radius: row.radius
    }
}
