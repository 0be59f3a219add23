import QtQuick
import QtQuick.Controls.Fusion
import "qrc:/qt/qml/Velto/qml/parts"
import "qrc:/qt/qml/Velto/qml/money.js" as Money
import "qrc:/qt/qml/Velto/qml/dates.js" as Dates

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
            delegate: Card {
                required property int index
                readonly property var modelData: page.items[index]
                objectName: "thing_" + index
                title: modelData.name
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

    // A view's dialog the way views use it: open while `state` is set, cleared on dismiss.
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
                canSubmit: first.text.length >= 3
                onOpening: {
                    holder.openings += 1
                    first.text = ""
                }
                onDismiss: holder.state = null
                onSubmit: send("POST", "api/things", { name: first.text }, "Saved",
                               function () { holder.state = null })
                Field { id: first; objectName: "firstField" }
                TextBox { objectName: "noteBox" }
                Field { objectName: "lastField" }
            }
        }
    }

    // A part of `component`, created afresh.
    function make(component) {
        view = component
        return show(null)
    }

    // Money, dates and numbers as the views show and read them.
    function test_formats_data() {
        return [
            { tag: "250 rounds up", f: Money.rupees, given: 250, shown: "₹3" },
            { tag: "249 rounds down", f: Money.rupees, given: 249, shown: "₹2" },
            { tag: "missing", f: Money.rupees, given: undefined, shown: "₹0" },
            { tag: "budget 0", f: Money.rupeesOrDash, given: 0, shown: "—" },
            { tag: "budget null", f: Money.rupeesOrDash, given: null, shown: "—" },
            { tag: "budget 150000", f: Money.rupeesOrDash, given: 150000, shown: "₹1500" },
            { tag: "two decimals 250", f: Money.twoDecimals, given: 250, shown: "₹2.50" },
            { tag: "two decimals 5", f: Money.twoDecimals, given: 5, shown: "₹0.05" },
            { tag: "two decimals 0", f: Money.twoDecimals, given: 0, shown: "₹0.00" },
            { tag: "two decimals negative", f: Money.twoDecimals, given: -250, shown: "₹-2.50" },
            { tag: "two decimals missing", f: Money.twoDecimals, given: null, shown: "—" },
            { tag: "signed -250", f: Money.signed, given: -250, shown: "\u2212₹2" },
            { tag: "signed -251", f: Money.signed, given: -251, shown: "\u2212₹3" },
            { tag: "signed +250", f: Money.signed, given: 250, shown: "+₹3" },
            { tag: "signed 0", f: Money.signed, given: 0, shown: "+₹0" },
            { tag: "day of a timestamp", f: Dates.day, given: "2026-12-06T10:00:00Z",
              shown: "2026-12-06" },
            { tag: "day of a short text", f: Dates.day, given: "2026-1", shown: "2026-1" },
            { tag: "day of null", f: Dates.day, given: null, shown: "" },
            { tag: "day of nothing", f: Dates.day, given: undefined, shown: "" },
            // The integer of a number field (NaN fails every comparison), and with a fallback.
            { tag: "digits", f: intOf, given: "1500", shown: 1500 },
            { tag: "blanks, decimals, letters", f: intOf, given: "  12.9abc", shown: 12 },
            { tag: "letter first", f: intOf, given: "a12", shown: "NaN" },
            { tag: "empty", f: intOf, given: "", shown: "NaN" },
            { tag: "hexadecimal", f: intOf, given: "0x1F", shown: 31 },
            { tag: "negative", f: intOf, given: "-3", shown: -3 },
            { tag: "digits or 7", f: intOr7, given: "1500", shown: 1500 },
            { tag: "letter first or 7", f: intOr7, given: "a12", shown: 7 },
            { tag: "empty or 7", f: intOr7, given: "", shown: 7 },
            { tag: "zero or 7", f: intOr7, given: "0", shown: 7 },
            { tag: "negative or 7", f: intOr7, given: "-3", shown: -3 }
        ]
    }

    function intOf(text) {
        var n = Money.intOf(text)
        return isNaN(n) ? "NaN" : n
    }

    function intOr7(text) {
        return Money.intOr(text, 7)
    }

    function test_formats(row) {
        compare(row.f(row.given), row.shown)
    }

    function test_listPageLoads_data() {
        return [
            { tag: "list", status: 200, body: '{"things":[{"name":"a"},{"name":"b"}]}', count: 2 },
            { tag: "member absent", status: 200, body: '{"other":1}', count: 0 },
            { tag: "member not a list", status: 200, body: '{"things":null}', count: 0 },
            { tag: "refused keeps the list", status: 500, body: '{"things":[]}', count: 1 },
            { tag: "not JSON keeps the list", status: 200, body: "oops", count: 1 },
            { tag: "no answer keeps the list", status: 0, body: "", count: 1 }
        ]
    }

    function test_listPageLoads(row) {
        var page = make(pageComp)
        win.answer("GET", "api/things", 200, '{"things":[{"name":"first"}]}')
        compare(page.items.length, 1)
        page.reload()
        compare(page.busy, true)
        win.answer("GET", "api/things", row.status, row.body)
        compare([page.busy, page.items.length, page.failed, win.toasts],
                [false, row.count, row.status !== 200 || row.body === "oops", []])
    }

    function test_listPageDropsASupersededLoad() {
        var page = make(pageComp)
        var first = win.lastCall()
        page.reload()
        win.answerLast(200, '{"things":[{"name":"new"}]}')
        win.answerCall(first, 200, '{"things":[{"name":"old"},{"name":"older"}]}')
        compare([page.items, page.busy], [[{ name: "new" }], false])
        // the rows follow a reload that keeps their number
        page.reload()
        win.answerLast(200, '{"things":[{"name":"newer"}]}')
        waitForItemPolished(page.list)
        compare(findChild(page, "thing_0").title, "newer")
    }

    function test_listPageCreatesOnlyTheRowsOnScreen() {
        var page = make(pageComp)
        var many = []
        for (var i = 0; i < 10000; ++i)
            many.push({ name: "row " + i })
        win.answer("GET", "api/things", 200, { things: many })
        compare(page.list.count, 10000)
        waitForItemPolished(page.list)
        var made = page.list.contentItem.children.length
        verify(made < 60, made + " delegates for 10000 rows")
    }

    function test_actionOutcome_data() {
        return [
            { tag: "2xx", status: 201, body: "{}", ok: true, toast: "Accepted" },
            { tag: "service error", status: 409, body: '{"error":"Already accepted"}',
              ok: false, toast: "Already accepted" },
            { tag: "empty error", status: 409, body: '{"error":""}', ok: false, toast: "Failed" },
            { tag: "no answer", status: 0, body: "Connection refused", ok: false,
              toast: "Failed" },
            { tag: "fixed text only", status: 403, body: '{"error":"No"}', fixed: true,
              ok: false, toast: "Failed" }
        ]
    }

    function test_actionOutcome(row) {
        var b = make(actionComp)
        b.showServiceError = !row.fixed
        var outcome = null
        b.done.connect(ok => outcome = { ok: ok, toasts: win.toasts.length })
        mouseClick(b)
        // no button is disabled while its request is under way
        compare([b.busy, b.enabled, win.lastCall().body], [true, true, '{"note":"x"}'])
        win.answer("POST", "api/things/7/accept", row.status, row.body)
        compare([b.busy, win.toasts], [false, [row.toast]])
        compare(outcome, { ok: row.ok, toasts: 1 }) // done follows the toast
    }

    // A view's dialog, open while the view's `state` is set.
    function openDialog() {
        var holder = make(dialogComp)
        holder.state = { id: 1 }
        tryCompare(holder.dialog, "opened", true)
        return holder
    }

    function test_dialogClosingPaths_data() {
        return [{ tag: "Cancel" }, { tag: "Escape" }, { tag: "press outside" }]
    }

    function test_dialogClosingPaths(row) {
        var holder = openDialog()
        compare(holder.openings, 1)
        if (row.tag === "Cancel")
            click("thingCancel")
        else if (row.tag === "Escape")
            keyClick(Qt.Key_Escape)
        else
            mouseClick(top, 5, 5)
        tryCompare(holder.dialog, "visible", false)
        compare([holder.state, win.calls], [null, []])
        holder.state = { id: 2 } // opens again, emptied
        tryCompare(holder.dialog, "opened", true)
        compare(holder.openings, 2)
    }

    function test_dialogFocusAndTabOrder() {
        openDialog()
        tryCompare(el("firstField"), "activeFocus", true)
        keyClick(Qt.Key_Tab)
        verify(el("noteBoxArea").activeFocus)
        keyClick(Qt.Key_Tab) // leaves the text box instead of typing a tab
        verify(el("lastField").activeFocus)
        compare(el("noteBoxArea").text, "")
        keyClick(Qt.Key_Backtab)
        verify(el("noteBoxArea").activeFocus)
    }

    function test_dialogSubmit() {
        var holder = openDialog()
        compare(el("thingSubmit").enabled, false)
        type({ firstField: "abc" })
        compare(el("thingSubmit").enabled, true)
        click("thingSubmit")
        compare(holder.dialog.busy, true)
        win.answerLast(400, '{"error":"Name taken"}')
        compare([holder.dialog.busy, win.toasts, holder.dialog.errorText, holder.dialog.opened],
                [false, ["Name taken"], "Name taken", true])
        compare(el("firstField").text, "abc")
        click("thingSubmit")
        win.answerLast(201, "{}")
        compare([win.toasts, holder.state], [["Name taken", "Saved"], null])
        tryCompare(holder.dialog, "visible", false)
        holder.state = {}
        tryCompare(holder.dialog, "opened", true)
        compare(holder.dialog.errorText, "")
    }
}
