pragma ComponentBehavior: Bound
import QtQuick

// A row of a list drawn as a card (Panel): a reader hears its title, then the value at its right
// and its lines. Clickable cards emit clicked().
ListRow {
    id: card

    property alias title: panel.title
    property alias trailing: panel.trailing
    property alias trailingColor: panel.trailingColor
    property alias trailingBold: panel.trailingBold
    property alias titleBold: panel.titleBold
    property alias spacing: panel.spacing
    default property alias content: panel.content

    implicitHeight: panel.implicitHeight
    radius: panel.radius
    rowLabel: title
    rowText: panel.lines

    Panel {
        id: panel
        width: card.width
    }
}
