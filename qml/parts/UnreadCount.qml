pragma ComponentBehavior: Bound
import QtQuick
import "../outcome.js" as Outcome
import "../unread.js" as Unread
import "../value.js" as Value

// The signed-in person's unread notifications, for the shell (so only while somebody is signed
// in): their number, fetched once a minute and each time the window is activated again, and a
// desktop notification for each one that arrives while the window is behind others. One fetch at
// a time; a failed one says nothing and the next tick asks again. Between ticks nothing runs.
Item {
    id: unread

    readonly property string tab: "Notifications"
    property int count: 0
    // The person clicked one of the desktop notifications: the shell shows `tab`.
    signal opened()

    // A tab button's text: "Notifications (3)", else the name alone.
    function tabText(name) {
        return name === tab && count > 0 ? name + " (" + count + ")" : name
    }

    function fetch() {
        if (request.busy)
            return
        request.call("GET", "api/notifications", null, function (status, data) {
            if (Outcome.loaded(status, data))
                unread.take(Value.rows(data.notifications))
        })
    }

    // Every list fetched, the shell's and the Notifications page's: the notifier tells what is
    // new by comparing each with the one before.
    function take(records) {
        count = Unread.count(records)
        var news = session.notifier.arrivals(records)
        if (!session.active)
            news.forEach(n => session.notifier.notify(Value.text(n.title)))
    }

    Session {
        id: session
    }
    Latest {
        id: request
    }

    Timer {
        objectName: "unreadTimer"
        interval: 60000 // once a minute; the end-to-end journey shortens it
        running: true
        repeat: true
        triggeredOnStart: true
        onTriggered: unread.fetch()
    }

    Connections {
        target: session
        function onActiveChanged() {
            if (session.active)
                unread.fetch()
        }
    }

    Connections {
        target: session.notifier
        function onActivated() {
            var w = session.window
            if (w.visibility === Window.Minimized)
                w.showNormal()
            w.raise()
            w.requestActivate()
            unread.opened()
        }
    }

    // Signed out, or the session ended: the next account's first fetch only learns what is there.
    Component.onDestruction: session.notifier.forget()
}
