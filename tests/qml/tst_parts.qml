pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import "../../qml/parts"
import "../../qml/money.js" as Money
import "../../qml/dates.js" as Dates
import "../../qml/limits.js" as Limits
import "../../qml/outcome.js" as Outcome
import "../../qml/value.js" as Value
import "../../qml/wording.js" as Wording

// The shared parts and scripts every view is built from, tested once here.
ViewCase {
    id: top
    name: "Parts"

    Component {
        id: pageComp
        ListPage {
            id: page
            anchors.fill: parent
            path: "api/things"
            member: "things"
            property var opened: []
            delegate: Card {
                id: thing
                objectName: "thing_" + index
                title: modelData.name
                clickable: true
                onClicked: page.opened.push(index)
                SteadyButton {
                    objectName: "act_" + thing.index
                    text: "Act"
                    onClicked: page.opened.push("act " + thing.index)
                }
            }
            below: SteadyButton { objectName: "after"; text: "After" }
        }
    }

    Component {
        id: fewComp
        FewRows {
            id: few
            objectName: "few"
            delegate: NestedRow {
                id: row
                Line {
                    text: row.modelData
                }
            }
        }
    }

    Component {
        id: actionComp
        ActionButton {
            path: "api/things/7/accept"
            body: ({ note: "x" })
            successText: "Accepted"
        }
    }

    // A dialog as views use it: open while `state` is set, cleared on dismiss.
    Component {
        id: dialogComp
        Item {
            id: holder
            anchors.fill: parent
            property var state: null
            property int openings: 0
            property alias dialog: dialog
            FormDialog {
                id: dialog
                objectName: "thing"
                shown: holder.state !== null
                rules: [first.text.length >= 3, last.acceptable]
                onOpening: {
                    holder.openings += 1
                    first.text = ""
                }
                onDismiss: holder.state = null
                onSubmit: send("POST", "api/things", { name: first.text, n: last.value }, "Saved",
                               function () { holder.state = null })
                Field { id: first; objectName: "firstField" }
                TextBox { objectName: "noteBox" }
                Field { id: last; objectName: "lastField"; digits: true }
            }
        }
    }

    Component {
        id: handOffComp
        HandOff {}
    }

    function make(component) {
        view = component
        return show(null)
    }

    function test_formats_data() {
        var intOf = t => String(Money.intOf(t)), intOr7 = t => Money.intOr(t, 7)
        // [status, body, the caller's words for a refusal]
        var failure = a => Wording.failure(a[0], Outcome.parse(a[1]), a[1], a[2])
        var shownAs = x => [Money.rupees(x), Money.rupeesOrDash(x), Money.twoDecimals(x),
                            Money.signed(x), Value.counted(x, " orders"), Value.text(x)]
        var none = ["", "—", "—", "", "", ""]
        return [
            { tag: "250 rounds up", f: Money.rupees, given: 250, shown: "₹3" },
            { tag: "budget 0", f: Money.rupeesOrDash, given: 0, shown: "—" },
            { tag: "signed -251", f: Money.signed, given: -251, shown: "\u2212₹3" },
            { tag: "grouped the Indian way", f: Money.groupedRupees, given: 1000000,
              shown: "₹10,00,000" },
            { tag: "day of a timestamp", f: Dates.day, given: "2026-12-06T10:00:00Z",
              shown: "2026-12-06" },
            // The integer of a number field (NaN fails every comparison)
            { tag: "blanks, decimals, letters", f: intOf, given: "  12.9abc", shown: "12" },
            { tag: "letter first", f: intOf, given: "a12", shown: "NaN" },
            { tag: "zero or 7", f: intOr7, given: "0", shown: 7 },
            { tag: "negative or 7", f: intOr7, given: "-3", shown: -3 },
            // Hostile members are left out, never shown as a zero or a gap.
            { tag: "missing", f: shownAs, given: undefined, shown: none },
            { tag: "null", f: shownAs, given: null, shown: none },
            { tag: "object", f: shownAs, given: {}, shown: none },
            { tag: "1e21", f: shownAs, given: 1e21, shown: none },
            { tag: "a fraction of a paisa", f: shownAs, given: 0.5, shown: none },
            { tag: "negative", f: shownAs, given: -205,
              shown: ["—", "—", "\u2212₹2.05", "\u2212₹2", "", "-205"] },
            { tag: "RLO", f: shownAs, given: "\u202eevil\u202c\u2067",
              shown: ["", "—", "—", "", "", "\ufffdevil\ufffd\ufffd"] },
            { tag: "NUL, line break", f: shownAs, given: "a\u0000b\nc",
              shown: ["", "—", "—", "", "", "a\ufffdb\ufffdc"] },
            { tag: "1 MB", f: t => Value.text(t).length, given: "x".repeat(1 << 20),
              shown: Value.longest + 1 },
            { tag: "paragraph keeps its lines", f: Value.paragraph, given: "a\u0000b\n\tc",
              shown: "a\ufffdb\n\tc" },
            { tag: "exact", f: Money.twoDecimals, given: 2 ** 53 - 1, shown: "₹90071992547409.91" },
            { tag: "joined without the odd ones", f: v => Value.joined(v, ", "),
              given: ["Qt", {}, 7, "C++"], shown: "Qt, 7, C++" },
            { tag: "rows of odd entries", f: Value.rows, given: [null, 3, [1], { a: 1 }],
              shown: [{}, {}, {}, { a: 1 }] },
            { tag: "day of a number", f: Dates.day, given: 20261206, shown: "" },
            // The service's words when it sent some; a failing service is no wrong password.
            { tag: "no answer", f: failure, given: [0, "Connection refused"],
              shown: "Cannot reach the Velto service (Connection refused)" },
            { tag: "failing service", f: failure, given: [503, "", "Invalid credentials"],
              shown: "The Velto service had a problem (status 503)" },
            { tag: "failing service, in its words", f: failure,
              given: [500, '{"error":"Database busy"}'], shown: "Database busy (status 500)" },
            { tag: "not JSON", f: failure, given: [200, "oops"],
              shown: "The service's answer could not be read" },
            { tag: "refused in its words", f: failure, given: [409, '{"error":"Taken"}', "No"],
              shown: "Taken" },
            { tag: "refused, the caller's words", f: failure, given: [401, "", "Invalid credentials"],
              shown: "Invalid credentials" },
            { tag: "refused", f: failure, given: [403, '{"error":""}'],
              shown: "The service refused (status 403)" }
        ]
    }

    function test_formats(row) {
        compare(row.f(row.given), row.shown)
    }

    // Only a 2xx object holding the list loads; else the rows stay and the page says why (Retry).
    function test_listPageLoads_data() {
        var unread = (tag, body) => ({ tag: tag, status: 200, body: body, count: 1,
                                       why: "The service's answer could not be read" })
        return [
            { tag: "list", status: 201, body: '{"things":[{"name":"a"},{"name":"b"}]}', count: 2 },
            unread("not JSON", "oops"),
            unread("member absent", '{"other":1}'),
            unread("wrapped in a list", '[{"things":[]}]'),
            unread("a number", "7"),
            unread("an error with 200", '{"error":"Nope"}'),
            unread("a list member of another type", '{"things":"a"}'),
            unread("a list sent as an object keyed 0, 1", '{"things":{"0":{"name":"a"}}}'),
            { tag: "no answer", status: 0, body: "Connection refused", count: 1,
              why: "Cannot reach the Velto service (Connection refused)" }
        ]
    }

    function test_listPageLoads(row) {
        var page = make(pageComp)
        win.answer("GET", "api/things", 200, '{"things":[{"name":"first"}]}')
        compare(page.items.length, 1)
        page.reload()
        compare(page.busy, true)
        win.answer("GET", "api/things", row.status, row.body)
        compare([page.busy, page.items.length, win.toasts], [false, row.count, []])
        compare(el("loadFailure").visible, !!row.why)
        if (!row.why)
            return
        compare(el("loadFailureText").text, "Could not load: " + row.why)
        click("loadFailureRetry")
        win.answer("GET", "api/things", 200, '{"things":[]}')
        compare([page.items.length, el("loadFailure").visible], [0, false])
    }

    // The newest request wins: a slower answer to an older one, or to one dropped, changes nothing.
    function test_listPageDropsASupersededLoad() {
        var page = make(pageComp)
        var first = win.lastCall()
        page.reload()
        win.answerLast(200, '{"things":[{"name":"new"}]}')
        win.answerCall(first, 500, '{"things":[{"name":"old"},{"name":"older"}]}')
        compare([page.items, page.busy, page.latest.failure], [[{ name: "new" }], false, ""])
        page.reload()
        page.latest.drop()
        win.answerLast(200, '{"things":[]}')
        compare([page.items.length, page.busy], [1, false])
        // the rows follow a reload that keeps their number
        page.reload()
        win.answerLast(200, '{"things":[{"name":"newer"}]}')
        waitForItemPolished(page.list)
        compare(findChild(page, "thing_0").title, "newer")
        // a page gone before its answer came takes none
        page.reload()
        page.destroy()
        wait(0)
        win.answerLast(200, '{"things":[]}')
    }

    // Up/Down move the current row, Return opens it; Tab goes to its buttons, then out of the list.
    function test_listByKeyboard() {
        var page = make(pageComp)
        win.answer("GET", "api/things", 200, { things: [{ name: "a" }, { name: "b" }, { name: "c" }] })
        waitForItemPolished(page.list)
        el("thing_0").forceActiveFocus()
        keyClick(Qt.Key_Down)
        verify(el("thing_1").activeFocus)
        keyClick(Qt.Key_Up)
        keyClick(Qt.Key_Down)
        keyClick(Qt.Key_Return)
        keyClick(Qt.Key_Tab)
        verify(el("act_1").activeFocus)
        keyClick(Qt.Key_Return)
        keyClick(Qt.Key_Tab)
        verify(el("after").activeFocus)
        compare([page.list.currentIndex, page.opened], [1, [1, "act 1"]])
    }

    // A list makes only the rows on screen; rows inside a card stop at ten and say how many more.
    function test_manyRows() {
        var many = Array.from({ length: 10000 }, (_, i) => "row " + i)
        var page = make(pageComp)
        win.answer("GET", "api/things", 200, { things: many.map(n => ({ name: n })) })
        compare(page.list.count, 10000)
        waitForItemPolished(page.list)
        var made = page.list.contentItem.children.length
        verify(made < 60, made + " delegates for 10000 rows")
        var few = make(fewComp)
        few.rows = many
        compare(Array.from(few.children).filter(c => c.tag !== undefined).length, 10)
        compare(el("fewMore").text, "… and 9990 more not shown here")
        few.rows = many.slice(0, 3)
        compare(el("fewMore").visible, false)
    }

    // Typed or pasted, digits show as typed; the value drops only grouping, else a hint holds it.
    function test_digitsField_data() {
        return [
            { tag: "decimals", text: "800.50", value: "" },
            { tag: "grouped", text: "2,500", value: "2500" },
            { tag: "other digits", text: "८००", value: "" },
            { tag: "letters", text: "abc", value: "" }
        ]
    }

    function test_digitsField(row) {
        openDialog()
        type({ firstField: "abc" })
        var field = el("lastField")
        for (var pasted of [false, true]) {
            field.text = ""
            for (var piece of pasted ? [row.text] : Array.from(row.text))
                field.insert(field.cursorPosition, piece)
            compare([field.text, field.value, el("lastFieldHint").visible],
                    [row.text, row.value, !row.value])
        }
        submits("thing", row.value ? { name: "abc", n: row.value } : undefined)
    }

    // A press within a double click of the button appearing or changing was for what stood there.
    function test_buttonIgnoresTheSecondHalfOfADoubleClick() {
        make(pageComp)
        machine.setDoubleClickInterval(60000)
        var clicks = 0
        el("after").clicked.connect(() => ++clicks)
        click("after")
        el("after").text = "Dispute"
        click("after")
        compare(clicks, 0)
        machine.setDoubleClickInterval(0)
        click("after")
        compare(clicks, 1)
    }

    function test_actionOutcome_data() {
        return [
            { tag: "2xx", status: 201, body: "{}", ok: true, toast: "Accepted" },
            { tag: "service error", status: 409, body: '{"error":"Already accepted"}',
              ok: false, toast: "Already accepted" },
            { tag: "empty error", status: 409, body: '{"error":""}', ok: false, toast: "Failed" },
            { tag: "no answer", status: 0, body: "Connection refused", fixed: true, ok: false,
              toast: Wording.unanswered, reloads: 1 },
            { tag: "fixed text only", status: 403, body: '{"error":"No"}', fixed: true,
              ok: false, toast: "Failed" },
            { tag: "button gone", status: 201, body: "{}", gone: true }
        ]
    }

    function test_actionOutcome(row) {
        var b = make(actionComp)
        b.showServiceError = !row.fixed
        var outcome = null
        b.done.connect(ok => outcome = { ok: ok, toasts: win.toasts.length })
        mouseClick(b)
        mouseClick(b) // one press, one request: the second finds it working
        b.run() // and the writer itself sends nothing while one is under way
        compare([b.busy, b.enabled, win.calls.length, win.lastCall().body],
                [true, false, 1, '{"note":"x"}'])
        if (row.gone) {
            b.destroy()
            wait(0)
        }
        win.answer("POST", "api/things/7/accept", row.status, row.body)
        if (row.gone)
            return compare([win.toasts, outcome], [[], null])
        compare([b.busy, win.toasts.slice(-1), win.reloads], [false, [row.toast], row.reloads || 0])
        compare(outcome, { ok: row.ok, toasts: 1 }) // done follows the toast
    }

    function openDialog() {
        var holder = make(dialogComp)
        holder.state = { id: 1 }
        tryCompare(holder.dialog, "opened", true)
        return holder
    }

    function test_dialogClosingPaths_data() {
        return [{ tag: "Cancel" }, { tag: "Escape" }, { tag: "press outside", stays: true },
                { tag: "Cancel while sending", sending: true }]
    }

    // Cancel and Escape clear the state, a stray press keeps it; a cancelled send spares the next.
    function test_dialogClosingPaths(row) {
        var holder = openDialog()
        compare(holder.openings, 1)
        type({ firstField: "typed" })
        if (row.sending)
            click("thingSubmit")
        if (row.tag === "Escape")
            keyClick(Qt.Key_Escape)
        else if (row.stays)
            mouseClick(top, 5, 5)
        else
            click("thingCancel")
        if (row.stays) {
            wait(50)
            compare([holder.dialog.visible, holder.state !== null, el("firstField").text],
                    [true, true, "typed"])
            return
        }
        tryCompare(holder.dialog, "visible", false)
        compare([holder.state, win.calls.length], [null, row.sending ? 1 : 0])
        holder.state = { id: 2 } // opens again, emptied
        tryCompare(holder.dialog, "opened", true)
        compare(holder.openings, 2)
        type({ firstField: "again" })
        compare(el("thingSubmit").enabled, true)
        if (row.sending)
            win.answerLast(201, "{}")
        compare([holder.dialog.opened, win.toasts], [true, []])
    }

    // Enter submits what the button would, once; a refusal keeps what was typed and shows why
    // until the next change. Tab leaves the text box, where Enter is a new line.
    function test_dialogSubmit() {
        var holder = openDialog()
        tryCompare(el("firstField"), "activeFocus", true)
        keyClick(Qt.Key_Return)
        type({ firstField: "abc" })
        compare([el("thingSubmit").enabled, win.calls.length], [true, 0])
        keyClick(Qt.Key_Return)
        compare([holder.dialog.busy, el("thingSubmit").enabled], [true, false])
        keyClick(Qt.Key_Return) // one request per intent: a busy dialog sends nothing more
        click("thingSubmit")
        compare(win.calls.length, 1)
        win.answerLast(400, '{"error":"Name taken"}')
        compare([holder.dialog.opened, holder.dialog.busy, win.toasts, holder.dialog.errorText,
                 el("firstField").text], [true, false, ["Name taken"], "Name taken", "abc"])
        type({ firstField: "abcd" })
        compare(holder.dialog.errorText, "")
        el("firstField").forceActiveFocus()
        keyClick(Qt.Key_Tab)
        keyClick(Qt.Key_Return)
        keyClick(Qt.Key_Tab)
        verify(el("lastField").activeFocus)
        keyClick(Qt.Key_Backtab)
        compare([el("noteBoxArea").activeFocus, el("noteBoxArea").text, win.calls.length],
                [true, "\n", 1])
        click("thingSubmit")
        win.answerLast(201, "{}")
        compare([win.toasts, holder.state], [["Name taken", "Saved"], null])
        tryCompare(holder.dialog, "visible", false)
        holder.state = {}
        tryCompare(holder.dialog, "opened", true)
        compare(holder.dialog.errorText, "")
    }

    // A disabled submit names the first rule not met, in words built from its limit.
    function test_dialogSaysWhy_data() {
        var L = Limits
        return [
            { tag: "password of 7", rules: [L.chars("Password", "1234567", L.password)],
              why: "Password: at least 8 characters" },
            { tag: "withdrawal of 999", rules: [L.rupees("Amount", "999", L.withdrawal)],
              why: "Amount: at least ₹1,000" },
            { tag: "IFSC of 12", rules: [L.exactChars("IFSC", "HDFC00012345", L.ifsc)],
              why: "IFSC: exactly 11 characters" },
            { tag: "a point in days", rules: [L.typed("Days", { acceptable: false,
                                                                digitsHint: "Whole days in digits" })],
              why: "Days: whole days in digits" },
            { tag: "the first", rules: [L.filled("A", "x"), L.filled("B", ""), L.filled("C", "")],
              why: "B: required" },
            { tag: "no words", rules: [false, L.filled("Note", "")], why: "" },
            { tag: "all met", rules: [true, L.rupees("A", "1000", L.withdrawal)], why: "", on: true }
        ]
    }

    function test_dialogSaysWhy(row) {
        openDialog().dialog.rules = row.rules
        compare([el("thingWhy").visible, el("thingWhy").text, el("thingSubmit").enabled],
                [row.why !== "", row.why, !!row.on])
    }

    // The one-time link only if it leads into the service, else the plain page; back, one reload.
    function test_handOff_data() {
        var link = api.origin + "/sign-in-link?token=ab"
        return [
            { tag: "link", status: 200, body: { url: link }, opened: link },
            { tag: "refused", status: 404, body: { error: "Not found", url: link } },
            { tag: "a host beginning alike", status: 200, body: { url: api.origin + ".x/" } },
            { tag: "not a text", status: 200, body: { url: [link] } }
        ]
    }

    function test_handOff(row) {
        var handOff = make(handOffComp), back = 0
        handOff.returned.connect(() => ++back)
        handOff.open("/wallet")
        win.answer("POST", "api/auth/web-link", row.status, row.body)
        compare([sent(), machine.urls],
                [{ next: "/wallet" }, [row.opened || api.origin + "/wallet"]])
        for (var i = 0; i < 2; ++i) {
            win.active = false
            win.active = true
        }
        compare(back, 1)
    }
}
