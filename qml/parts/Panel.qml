pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../palette.js" as Palette

// A card: rounded, with an optional title line (title at the left, a value at the right end)
// above its own lines and buttons. `lines` is what it shows in words, for a reader.
Rectangle {
    id: panel

    property string title: ""
    property string trailing: ""
    property color trailingColor: Palette.accent
    property bool trailingBold: true
    property bool titleBold: true
    property int spacing: 4
    default property alias content: body.data
    // The value at the right and the texts of the lines, in reading order.
    readonly property string lines: describe()

    function describe() {
        var out = texts(body)
        if (trailing !== "")
            out.unshift(trailing)
        return out.filter(t => t !== "").join(". ")
    }

    // The texts shown inside `item`, leaving out buttons and fields (they speak for themselves).
    function texts(item) {
        var out = []
        for (var i = 0; i < item.children.length; ++i) {
            var child = item.children[i]
            if (!child.visible || child.clicked !== undefined || child.cursorPosition !== undefined)
                continue
            if (child.textFormat !== undefined)
                out.push(child.text)
            else
                out = out.concat(texts(child))
        }
        return out
    }

    implicitHeight: column.implicitHeight + 24
    radius: 10
    color: Palette.card
    Accessible.role: Accessible.Grouping
    Accessible.name: title

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        spacing: panel.spacing

        RowLayout {
            visible: panel.title !== "" || panel.trailing !== ""
            Layout.fillWidth: true
            spacing: 8

            Label {
                Layout.fillWidth: true
                text: panel.title
                textFormat: Text.PlainText
                color: Palette.text
                font.bold: panel.titleBold
                elide: Text.ElideRight
            }
            Label {
                visible: text !== ""
                text: panel.trailing
                textFormat: Text.PlainText
                color: panel.trailingColor
                font.bold: panel.trailingBold
            }
        }

        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: panel.spacing
        }
    }
}
