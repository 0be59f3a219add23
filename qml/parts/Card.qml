import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../palette.js" as Palette

// A row of a list: a rounded card with an optional title line (title at the left, a value at
// the right end) above the view's own lines and buttons. Clickable cards emit clicked().
Rectangle {
    id: card

    property string title: ""
    property string trailing: ""
    property color trailingColor: Palette.accent
    property bool trailingBold: true
    property bool titleBold: true
    property bool clickable: false
    property int spacing: 4
    default property alias content: body.data

    signal clicked()

    width: ListView.view ? ListView.view.width : (parent ? parent.width : 0)
    implicitHeight: column.implicitHeight + 24
    radius: 10
    color: Palette.card

    Accessible.role: clickable ? Accessible.Button : Accessible.ListItem
    Accessible.name: title
    Accessible.onPressAction: if (clickable) card.clicked()

    MouseArea {
        anchors.fill: parent
        enabled: card.clickable
        cursorShape: card.clickable ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: card.clicked()
    }

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        spacing: card.spacing

        RowLayout {
            visible: card.title !== "" || card.trailing !== ""
            Layout.fillWidth: true
            spacing: 8

            Label {
                Layout.fillWidth: true
                text: card.title
                textFormat: Text.PlainText
                color: Palette.text
                font.bold: card.titleBold
                elide: Text.ElideRight
            }
            Label {
                visible: text !== ""
                text: card.trailing
                textFormat: Text.PlainText
                color: card.trailingColor
                font.bold: card.trailingBold
            }
        }

        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: card.spacing
        }
    }
}
