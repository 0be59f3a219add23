pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../sizes.js" as Sizes
import "../value.js" as Value

// A page of a view: a header row (an optional back button, the title, then the view's own
// buttons), optional content above and below, and a list of cards in between. With a `path`
// the list loads itself (on creation and on reload()) from the reply's `member`, a list the
// answer must hold; without one the view sets `items`. A load that fails keeps the rows shown
// and says why above them, with a way to try again; only the newest load's reply counts.
Item {
    id: page

    property string title: ""
    property int titleSize: Sizes.title
    property string backText: ""
    property string path: ""
    property string member: ""
    property var items: []
    property alias delegate: list.delegate
    property alias list: list
    // The view's header buttons, after the title.
    default property alias tools: toolRow.data
    property alias above: aboveColumn.data
    property alias below: belowColumn.data
    // The list's own loads; `busy` also shows while the view's other requests of the page
    // (`alsoBusy`) are under way.
    readonly property alias latest: latest
    readonly property bool busy: latest.busy || alsoBusy
    property bool alsoBusy: false

    signal back()
    // A successful load, with the whole reply, after `items` was replaced.
    signal loaded(var data)

    function reload() {
        if (path === "")
            return
        latest.get(path, function (data) {
            page.items = Value.rows(data[page.member])
            page.loaded(data)
        })
    }

    Component.onCompleted: reload()

    Latest {
        id: latest
        expects: ({ [page.member]: "list" })
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            SteadyButton {
                objectName: "backButton"
                visible: page.backText !== ""
                text: page.backText
                onClicked: page.back()
            }
            Heading {
                text: page.title
                font.pixelSize: page.titleSize
            }
            BusyIndicator {
                objectName: "loadingIndicator"
                visible: page.busy
                running: page.busy
                implicitWidth: 24
                implicitHeight: 24
                palette.text: "white"
                Accessible.name: "Loading"
            }
            RowLayout {
                id: toolRow
                spacing: 8
            }
        }

        FailureLine {
            objectName: "loadFailure"
            source: latest
        }

        // Layouts fill the height by default: these two keep to their content, so the list gets
        // the rest even when a row of theirs is empty.
        ColumnLayout {
            id: aboveColumn
            Layout.fillWidth: true
            Layout.fillHeight: false
            visible: children.length > 0
            spacing: 8
        }

        CardList {
            id: list
            objectName: "list"
            rows: page.items
        }

        ColumnLayout {
            id: belowColumn
            Layout.fillWidth: true
            Layout.fillHeight: false
            visible: children.length > 0
            spacing: 8
        }
    }
}
