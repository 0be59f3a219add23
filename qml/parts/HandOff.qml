pragma ComponentBehavior: Bound
import QtQml
import "../outcome.js" as Outcome

// The way to a page of the service in the browser (paying, adding money, verifying identity).
// The service is asked first for a one-time sign-in link to the page, so the browser arrives
// signed in as this user instead of asking for the password in the middle of a payment. Any other
// answer (a service without such links, a refusal, no answer) opens the plain page, where the
// browser signs in by itself. A link is opened only when it leads into the service's own origin:
// an answer must never send the person's browser anywhere else.
// Once the window has the keyboard again after a hand-off, returned() tells the page to fetch
// what the browser may have changed (once per hand-off).
QtObject {
    id: handOff

    // Handed to the browser and not yet back.
    property bool away: false
    readonly property bool active: session.active
    readonly property Session session: Session {}
    readonly property Latest asker: Latest {}

    signal returned()

    // `path` is the page's own, "/wallet".
    function open(path) {
        asker.call("POST", "api/auth/web-link", { next: path }, function (status, data) {
            var origin = handOff.session.api.origin
            var link = Outcome.ok(status) && data && typeof data.url === "string" ? data.url : ""
            // The slash: "https://host:8443.elsewhere.test" begins like the origin too.
            Qt.openUrlExternally(link.indexOf(origin + "/") === 0 ? link : origin + path)
            handOff.away = true
        })
    }

    onActiveChanged: {
        if (active && away) {
            away = false
            returned()
        }
    }
}
