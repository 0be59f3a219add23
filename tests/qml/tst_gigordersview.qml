import QtQuick

ViewCase {
    name: "GigOrdersView"

    // Order 7 of client 1 on its page, in `status`, seen by user `userId`.
    function showOrder(status, userId, score, instructions) {
        show({ id: userId, role: "client" }, "api/gig-orders", { orders: [
            { id: 7, client_id: 1, package_tier: "basic", price_paise: 250,
              freelancer_name: "Ravi", client_name: "Asha" }] })
        v.open(7)
        win.answer("GET", "api/gig-orders/7", 200,
                   { order: { id: 7, client_id: 1, status: status, review_score: score,
                              instructions: instructions || "" },
                     messages: [] })
    }

    function test_sides_data() {
        return [
            { tag: "pending", seller: ["accept", "cancelOrder"], client: ["cancelOrder"],
              instructions: "Blue logo, please" },
            { tag: "active", seller: ["deliver", "cancelOrder"], client: ["cancelOrder"] },
            { tag: "revision", seller: ["deliver"], client: [] },
            { tag: "delivered", seller: [], client: ["pay", "revision"] },
            { tag: "completed", seller: [], client: ["review"] },
            { tag: "reviewed", status: "completed", score: 4, seller: [], client: [] },
            { tag: "cancelled", seller: [], client: [] }
        ]
    }

    // Each side sees the other's name (an id of another type is someone else) and the instructions.
    function test_sides(row) {
        var buttons = ["accept", "pay", "deliver", "revision", "cancelOrder", "review"]
        for (var user of [[1, row.client, "Ravi"], [2, row.seller, "Asha"],
                          ["1", row.seller, "Asha"]]) {
            showOrder(row.status || row.tag, user[0], row.score, row.instructions)
            compare(shown(buttons.map(b => b + "Button")), user[1].map(b => b + "Button"))
            compare(shown(["instructionsLine"]).map(n => el(n).text),
                    row.instructions ? ["Instructions: " + row.instructions] : [])
            compare(findChild(v, "orderLine_0").text, "basic · ₹3 · " + user[2])
        }
    }

    // A note of five characters once trimmed; a review needs none and starts at five stars.
    // Delivery and revision are walked end to end (tst_e2e_gigs).
    function test_notes_data() {
        return [
            { tag: "cancel", status: "pending", user: 1, body: { reason: "Build v2" } },
            { tag: "review", status: "completed", user: 1, body: { score: 5, review: "Build v2" } }
        ]
    }

    function test_notes(row) {
        showOrder(row.status, row.user)
        v.reviewScore = 2 // as an earlier review dialog may have left it
        open((row.tag === "cancel" ? "cancelOrder" : row.tag) + "Button", "noteDialog")
        type({ noteField: " abcd " })
        compare(el("noteDialogSubmit").enabled, row.tag === "review")
        type({ noteField: " Build v2 " })
        click("noteDialogSubmit")
        compare(sent(win.answer("POST", "api/gig-orders/7/" + row.tag, 200, {})), row.body)
        compare([win.toasts, v.noteKind, win.lastCall().path], [["Done"], "", "api/gig-orders/7"])
    }

    // Refused: an action reloads, a message stays typed. Leaving drops the draft and a late order.
    function test_failuresAndLeaving() {
        showOrder("pending", 2)
        click("acceptButton")
        win.answer("POST", "api/gig-orders/7/accept", 409, { error: "no" })
        verify(win.findCall("GET", "api/gig-orders/7") !== null)
        type({ messageField: "   " })
        compare(el("sendButton").enabled, false) // blanks are no message
        type({ messageField: " Hi " })
        click("sendButton")
        win.answer("POST", "api/gig-orders/7/messages", 400, { error: "Message is required" })
        compare([win.toasts, el("messageField").text, sent()],
                [["Failed", "Failed"], " Hi ", { body: "Hi" }])
        v.open(10)
        mouseClick(findChild(el("detailPage"), "backButton"))
        win.answer("GET", "api/gig-orders/10", 200, { order: { id: 10 }, messages: [] })
        compare([v.detail, el("messageField").text, win.lastCall().path],
                [null, "", "api/gig-orders"])
    }
}
