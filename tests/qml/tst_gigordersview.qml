import QtQuick
import QtTest
import Velto

Item {
    id: top; width: 1000; height: 760
    FakeWin { id: win }
    Component { id: viewComp; GigOrdersView { anchors.fill: parent } }

    TestCase {
        name: "GigOrdersView"; when: windowShown
        property var v: null
        function show(status, userId) { // order 7 of client 1, on its page, seen by user 1 (its client) or user 2
            win.reset(); win.user = { id: userId, role: "client" }; v = createTemporaryObject(viewComp, top)
            win.answer("GET", "api/gig-orders", 200, { orders: [{ id: 7, client_id: 1, package_tier: "basic", price_paise: 250, freelancer_name: "Ravi", client_name: "Asha" }] })
            v.open(7); win.answer("GET", "api/gig-orders/7", 200, { order: { id: 7, client_id: 1, status: status }, messages: [] }); waitForRendering(v)
        }
        function el(name) { var item = findChild(v, name); verify(item !== null, name); return item }
        function shown() { return ["accept", "pay", "deliver", "revision", "cancelOrder", "review"].filter(function (b) { return el(b + "Button").visible }) }

        function test_sides_data() { return [
                    { tag: "pending", seller: ["accept", "cancelOrder"], client: ["cancelOrder"] }, { tag: "active", seller: ["deliver", "cancelOrder"], client: ["cancelOrder"] },
                    { tag: "revision", seller: ["deliver"], client: [] }, { tag: "delivered", seller: [], client: ["pay", "revision"] },
                    { tag: "completed", seller: [], client: ["review"] }, { tag: "cancelled", seller: [], client: [] }] }
        function test_sides(row) {
            for (var user of [[1, row.client, "Ravi"], [2, row.seller, "Asha"], ["1", row.seller, "Asha"]]) { // an id of another type is another person
                show(row.tag, user[0]); compare([shown(), findChild(v, "orderLine_0").text], [user[1], "basic · ₹3 · " + user[2]])
            }
        }

        function test_notes_data() { return [
                    { tag: "deliver", status: "active", user: 2, title: "Deliver work", body: { note: "Build v2" } }, { tag: "cancel", status: "pending", user: 1, title: "Cancel order", body: { reason: "Build v2" } },
                    { tag: "revision", status: "delivered", user: 1, title: "Request revision", body: { note: "Build v2" } }, { tag: "review", status: "completed", user: 1, title: "Review", body: { score: 5, review: "Build v2" } }] }
        function test_notes(row) {
            show(row.status, row.user); v.reviewScore = 2 // as an earlier review dialog may have left it
            mouseClick(el((row.tag === "cancel" ? "cancelOrder" : row.tag) + "Button")); el("noteField").text = " abcd "
            compare([el("noteDialog").title, el("noteDialogSubmit").enabled], [row.title, row.tag === "review"])
            el("noteField").text = " Build v2 "; mouseClick(el("noteDialogSubmit"))
            compare(JSON.parse(win.answer("POST", "api/gig-orders/7/" + row.tag, 200, {}).body), row.body)
            compare([win.toasts, v.noteKind, win.lastCall().path], [["Done"], "", "api/gig-orders/7"])
        }

        function test_failuresReloadOrKeep() {
            show("pending", 2); mouseClick(el("acceptButton")); win.answer("POST", "api/gig-orders/7/accept", 409, { error: "no" })
            verify(win.findCall("GET", "api/gig-orders/7") !== null) // reloaded all the same
            el("messageField").text = "   "; mouseClick(el("sendButton")); win.answer("POST", "api/gig-orders/7/messages", 400, { error: "Message is required" })
            compare([win.toasts, el("messageField").text, JSON.parse(win.lastCall().body)], [["Failed", "Failed"], "   ", { body: "" }])
        }

        function test_onlyTheLatestDetailShows() {
            show("pending", 1); v.open(8); v.open(9)
            win.answer("GET", "api/gig-orders/9", 200, { order: { id: 9 } }); win.answer("GET", "api/gig-orders/8", 200, { order: { id: 8 } }); compare(v.order.id, 9)
            v.open(10); mouseClick(findChild(el("detailPage"), "backButton")); win.answer("GET", "api/gig-orders/10", 200, { order: { id: 10 } })
            compare([v.detail, win.lastCall().path], [null, "api/gig-orders"]) // left before it came, and the list reloads
        }
    }
}
