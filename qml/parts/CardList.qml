import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// A virtualized list of cards: only the rows on screen (and a little around them) exist.
ListView {
    Layout.fillWidth: true
    Layout.fillHeight: true
    spacing: 8
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    Accessible.role: Accessible.List
    ScrollBar.vertical: ScrollBar {}
}
