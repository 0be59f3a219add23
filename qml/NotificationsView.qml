pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "unread.js" as Unread
import "value.js" as Value
import "parts"

// The signed-in person's notifications; unread ones have a bold title.
Item {
    id: v
    objectName: "NotificationsView"

    property alias items: page.items
    // Each list loaded, for the unread count on the shell's tab.
    signal fetched(var records)

    function load() {
        page.reload()
    }

    ListPage {
        id: page
        anchors.fill: parent
        title: "Notifications"
        path: "api/notifications"
        member: "notifications"
        onLoaded: v.fetched(v.items)

        // The read state belongs to the service: whatever the answer, the list is fetched again
        // and shows what the service now holds. Nothing is toasted either way.
        ActionButton {
            objectName: "markAllReadButton"
            text: "Mark all read"
            path: "api/notifications/read"
            failureText: ""
            showServiceError: false
            onDone: v.load()
        }

        delegate: Card {
            id: card
            objectName: "notificationCard_" + index
            spacing: 2
            Accessible.name: Value.text(modelData.title)

            Line {
                objectName: "notificationTitle_" + card.index
                kind: "plain"
                wrapMode: Text.NoWrap
                text: Value.text(card.modelData.title)
                font.bold: Unread.is(card.modelData)
            }
            Line {
                text: Value.paragraph(card.modelData.body)
            }
        }
    }
}
