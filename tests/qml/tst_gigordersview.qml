import QtQuick
import QtTest
import Velto

Item {
    id: top
    width: 1000
    height: 760

    FakeWin {
        id: win
    }
    Component {
        id: viewComp
        GigOrdersView {
            anchors.fill: parent
        }
    }

    TestCase {
        name: "GigOrdersView"
        when: windowShown

        property var v: null
        readonly property var buttons: ["accept", "pay", "deliver", "revision", "cancelOrder", "review"]

        function show(userId, orders) {
            win.reset()
            win.user = { id: userId, role: "client" }
            v = createTemporaryObject(viewComp, top)
            win.answer("GET", "api/gig-orders", 200, { orders: orders })
            waitForItemPolished(v)
        }
        // The detail page of order 7 in this status, seen by the client (user 1) or the seller.
        function showDetail(status, client) {
            show(client ? 1 : 2, [])
            v.open(7)
            win.answer("GET", "api/gig-orders/7", 200, { order: { id: 7, client_id: 1, status: status }, messages: [] })
            waitForRendering(v)
        }
        function el(name) {
            // the stars are a Repeater's: reached from their row, not as children of the view
            var item = findChild(v, name) || findChild(findChild(v, "starRow"), name)
            verify(item !== null, "no item " + name)
            return item
        }
        function openNote(kind) {
            mouseClick(el((kind === "cancel" ? "cancelOrder" : kind) + "Button"))
            tryCompare(el("noteDialog"), "opened", true)
            if (kind === "review") // the stars' row takes its place above the field a frame later
                tryVerify(function () { return el("noteField").y > 0 })
        }
        function shown() {
            return buttons.filter(function (b) { return el(b + "Button").visible })
        }

        function test_otherParty_data() {
            return [{ tag: "client", user: 1, name: "Ravi" }, { tag: "seller", user: 2, name: "Asha" },
                    { tag: "id of another type", user: "1", name: "Asha" }]
        }
        function test_otherParty(row) {
            show(row.user, [{ id: 7, client_id: 1, package_tier: "basic", price_paise: 250, freelancer_name: "Ravi", client_name: "Asha" }])
            compare(el("orderLine_0").text, "basic · ₹3 · " + row.name)
        }

        function test_actions_data() {
            return [
                { tag: "pending", seller: ["accept", "cancelOrder"], client: ["cancelOrder"] },
                { tag: "active", seller: ["deliver", "cancelOrder"], client: ["cancelOrder"] },
                { tag: "revision", seller: ["deliver"], client: [] },
                { tag: "delivered", seller: [], client: ["pay", "revision"] },
                { tag: "completed", seller: [], client: ["review"] },
                { tag: "cancelled", seller: [], client: [] }
            ]
        }
        function test_actions(row) {
            showDetail(row.tag, false)
            compare(shown(), row.seller)
            showDetail(row.tag, true)
            compare(shown(), row.client)
        }

        function test_notes_data() {
            return [
                { tag: "deliver", status: "active", client: false, title: "Deliver work", body: { note: "Build v2" } },
                { tag: "cancel", status: "pending", client: true, title: "Cancel order", body: { reason: "Build v2" } },
                { tag: "revision", status: "delivered", client: true, title: "Request revision", body: { note: "Build v2" } },
                { tag: "review", status: "completed", client: true, title: "Review", body: { score: 5, review: "Build v2" } }
            ]
        }
        function test_notes(row) {
            showDetail(row.status, row.client)
            openNote(row.tag)
            compare(el("noteDialog").title, row.title)
            el("noteField").text = "  abcd "
            compare(el("noteDialogSubmit").enabled, row.tag === "review")
            el("noteField").text = " Build v2 "
            mouseClick(el("noteDialogSubmit"))
            compare(JSON.parse(win.lastCall().body), row.body)
            win.answer("POST", "api/gig-orders/7/" + row.tag, 409, { error: "Too late" })
            compare([win.toasts, v.noteKind], [["Too late"], row.tag]) // stays open
            mouseClick(el("noteDialogSubmit"))
            win.answer("POST", "api/gig-orders/7/" + row.tag, 200, {})
            compare([win.toasts[1], v.noteKind], ["Done", ""])
            verify(win.findCall("GET", "api/gig-orders/7") !== null)
        }

        function test_reviewStartsAtFiveStars() {
            showDetail("completed", true)
            openNote("review")
            mouseClick(el("star_2"))
            compare([el("star_2").text, el("star_3").text], ["★", "☆"])
            mouseClick(el("noteDialogCancel"))
            tryCompare(el("noteDialog"), "visible", false)
            openNote("review")
            compare(v.reviewScore, 5)
            mouseClick(el("star_3"))
            mouseClick(el("noteDialogSubmit"))
            compare(win.lastCall().body, '{"score":3,"review":""}')
        }

        function test_acceptAndMessages() {
            showDetail("pending", false)
            mouseClick(el("acceptButton"))
            win.answer("POST", "api/gig-orders/7/accept", 409, { error: "no" })
            compare(win.toasts, ["Failed"])
            win.answer("GET", "api/gig-orders/7", 200, { order: { id: 7, status: "active" }, messages: [{ sender_name: "Ravi", body: "hi" }] })
            waitForItemPolished(v)
            compare(el("messageBody_0").text, "hi")
            el("messageField").text = "   "
            mouseClick(el("sendButton"))
            win.answer("POST", "api/gig-orders/7/messages", 400, { error: "Message is required" })
            compare([win.toasts[1], el("messageField").text], ["Failed", "   "])
            compare(win.lastCall().body, '{"body":""}')
            mouseClick(el("sendButton"))
            win.answer("POST", "api/gig-orders/7/messages", 201, {})
            compare(el("messageField").text, "")
            verify(win.findCall("GET", "api/gig-orders/7") !== null)
        }

        function test_onlyTheLatestDetailShows() {
            show(1, [])
            v.open(7)
            v.open(8)
            win.answer("GET", "api/gig-orders/8", 200, { order: { id: 8 } })
            win.answer("GET", "api/gig-orders/7", 200, { order: { id: 7 } })
            compare(v.order.id, 8)
            v.open(9)
            mouseClick(findChild(el("detailPage"), "backButton"))
            win.answer("GET", "api/gig-orders/9", 200, { order: { id: 9 } })
            compare(v.detail, null) // left before it came
            verify(win.findCall("GET", "api/gig-orders") !== null)
        }
    }
}
