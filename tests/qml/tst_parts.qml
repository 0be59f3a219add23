import QtQuick
import QtQuick.Controls.Fusion
import QtTest
import "qrc:/qt/qml/Velto/qml/parts"
import "qrc:/qt/qml/Velto/qml/money.js" as Money
import "qrc:/qt/qml/Velto/qml/dates.js" as Dates

// The shared parts and scripts every view is built from, tested once here.
Item {
    id: top
    width: 900
    height: 700

    FakeWin {
        id: win
    }

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
            id: view
            anchors.fill: parent
            property var state: null
            property int openings: 0
            property alias dialog: dialog
            FormDialog {
                id: dialog
                objectName: "thing"
                shown: view.state !== null
                canSubmit: first.text.length >= 3
                onOpening: {
                    view.openings += 1
                    first.text = ""
                }
                onDismiss: view.state = null
                onSubmit: send("POST", "api/things", { name: first.text }, "Saved",
                               function () { view.state = null })
                Field {
                    id: first
                    objectName: "firstField"
                }
                TextBox {
                    objectName: "noteBox"
                }
                Field {
                    objectName: "lastField"
                }
            }
        }
    }

    TestCase {
        name: "Parts"
        when: windowShown

        function init() {
            win.reset()
        }

        function test_money_data() {
            return [
                { tag: "250 rounds up", f: Money.rupees, paise: 250, shown: "₹3" },
                { tag: "249 rounds down", f: Money.rupees, paise: 249, shown: "₹2" },
                { tag: "missing", f: Money.rupees, paise: undefined, shown: "₹0" },
                { tag: "budget 0", f: Money.rupeesOrDash, paise: 0, shown: "—" },
                { tag: "budget null", f: Money.rupeesOrDash, paise: null, shown: "—" },
                { tag: "budget 150000", f: Money.rupeesOrDash, paise: 150000, shown: "₹1500" },
                { tag: "two decimals 250", f: Money.twoDecimals, paise: 250, shown: "₹2.50" },
                { tag: "two decimals 5", f: Money.twoDecimals, paise: 5, shown: "₹0.05" },
                { tag: "two decimals 0", f: Money.twoDecimals, paise: 0, shown: "₹0.00" },
                { tag: "two decimals negative", f: Money.twoDecimals, paise: -250, shown: "₹-2.50" },
                { tag: "two decimals missing", f: Money.twoDecimals, paise: null, shown: "—" },
                { tag: "signed -250", f: Money.signed, paise: -250, shown: "\u2212₹2" },
                { tag: "signed -251", f: Money.signed, paise: -251, shown: "\u2212₹3" },
                { tag: "signed +250", f: Money.signed, paise: 250, shown: "+₹3" },
                { tag: "signed 0", f: Money.signed, paise: 0, shown: "+₹0" }
            ]
        }

        function test_money(row) {
            compare(row.f(row.paise), row.shown)
        }

        function test_fieldIntegers_data() {
            return [
                { tag: "digits", text: "1500", int: 1500, or7: 1500 },
                { tag: "leading blanks, trailing letters", text: "  12.9abc", int: 12, or7: 12 },
                { tag: "letter first", text: "a12", int: NaN, or7: 7 },
                { tag: "empty", text: "", int: NaN, or7: 7 },
                { tag: "zero", text: "0", int: 0, or7: 7 },
                { tag: "negative kept", text: "-3", int: -3, or7: -3 },
                { tag: "hexadecimal", text: "0x1F", int: 31, or7: 31 }
            ]
        }

        function test_fieldIntegers(row) {
            var n = Money.intOf(row.text)
            if (isNaN(row.int))
                verify(isNaN(n) && !(n > 0) && !(n >= 500))
            else
                compare(n, row.int)
            compare(Money.intOr(row.text, 7), row.or7)
        }

        function test_dates() {
            compare(Dates.day("2026-12-06T10:00:00Z"), "2026-12-06")
            compare(Dates.day("2026-1"), "2026-1")
            compare(Dates.day(null), "")
            compare(Dates.day(undefined), "")
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
            var page = createTemporaryObject(pageComp, top)
            win.answer("GET", "api/things", 200, '{"things":[{"name":"first"}]}')
            compare(page.items.length, 1)
            page.reload()
            compare(page.busy, true)
            win.answer("GET", "api/things", row.status, row.body)
            compare(page.busy, false)
            compare(page.items.length, row.count)
            compare(page.failed, row.status !== 200 || row.body === "oops")
            compare(win.toasts.length, 0)
        }

        function test_listPageDropsASupersededLoad() {
            var page = createTemporaryObject(pageComp, top)
            var first = win.lastCall()
            page.reload()
            var second = win.lastCall()
            win.answerCall(second, 200, '{"things":[{"name":"new"}]}')
            win.answerCall(first, 200, '{"things":[{"name":"old"},{"name":"older"}]}')
            compare(page.items.length, 1)
            compare(page.items[0].name, "new")
            compare(page.busy, false)
            // the rows follow a reload that keeps their number
            page.reload()
            win.answerLast(200, '{"things":[{"name":"newer"}]}')
            waitForItemPolished(page.list)
            compare(findChild(page, "thing_0").title, "newer")
        }

        function test_listPageCreatesOnlyTheRowsOnScreen() {
            var page = createTemporaryObject(pageComp, top)
            var many = []
            for (var i = 0; i < 10000; ++i)
                many.push({ name: "row " + i })
            win.answer("GET", "api/things", 200, JSON.stringify({ things: many }))
            var list = page.list
            compare(list.count, 10000)
            waitForItemPolished(list)
            verify(list.contentItem.children.length < 60,
                   list.contentItem.children.length + " delegates for 10000 rows")
        }

        function test_actionOutcome_data() {
            return [
                { tag: "2xx", status: 201, body: "{}", ok: true, toast: "Accepted" },
                { tag: "service error", status: 409, body: '{"error":"Already accepted"}',
                  ok: false, toast: "Already accepted" },
                { tag: "empty error", status: 409, body: '{"error":""}', ok: false, toast: "Failed" },
                { tag: "no answer", status: 0, body: "Connection refused", ok: false, toast: "Failed" },
                { tag: "fixed text only", status: 403, body: '{"error":"No"}', fixed: true,
                  ok: false, toast: "Failed" }
            ]
        }

        function test_actionOutcome(row) {
            var b = createTemporaryObject(actionComp, top)
            if (row.fixed)
                b.showServiceError = false
            var outcome = null
            b.done.connect(function (ok) { outcome = { ok: ok, toasts: win.toasts.length } })
            mouseClick(b)
            compare(b.busy, true)
            compare(b.enabled, true) // no button is disabled while its request is under way
            compare(win.lastCall().body, '{"note":"x"}')
            win.answer("POST", "api/things/7/accept", row.status, row.body)
            compare(b.busy, false)
            compare(win.toasts, [row.toast])
            compare(outcome, { ok: row.ok, toasts: 1 }) // done follows the toast
        }

        function test_dialogClosingPaths_data() {
            return [
                { tag: "Cancel", how: "cancel" },
                { tag: "Escape", how: "escape" },
                { tag: "press outside", how: "outside" }
            ]
        }

        function test_dialogClosingPaths(row) {
            var view = createTemporaryObject(dialogComp, top)
            view.state = { id: 1 }
            tryCompare(view.dialog, "opened", true)
            compare(view.openings, 1)
            if (row.how === "cancel")
                mouseClick(findChild(view.dialog, "thingCancel"))
            else if (row.how === "escape")
                keyClick(Qt.Key_Escape)
            else
                mouseClick(top, 5, 5)
            tryCompare(view.dialog, "visible", false)
            compare(view.state, null)
            compare(win.calls.length, 0)
            view.state = { id: 2 } // opens again, emptied
            tryCompare(view.dialog, "opened", true)
            compare(view.openings, 2)
        }

        function test_dialogFocusAndTabOrder() {
            var view = createTemporaryObject(dialogComp, top)
            view.state = {}
            tryCompare(view.dialog, "opened", true)
            var first = findChild(view.dialog, "firstField")
            tryCompare(first, "activeFocus", true)
            keyClick(Qt.Key_Tab)
            verify(findChild(view.dialog, "noteBoxArea").activeFocus)
            keyClick(Qt.Key_Tab) // leaves the text box instead of typing a tab
            verify(findChild(view.dialog, "lastField").activeFocus)
            compare(findChild(view.dialog, "noteBoxArea").text, "")
            keyClick(Qt.Key_Backtab)
            verify(findChild(view.dialog, "noteBoxArea").activeFocus)
        }

        function test_dialogSubmit() {
            var view = createTemporaryObject(dialogComp, top)
            view.state = {}
            tryCompare(view.dialog, "opened", true)
            var submit = findChild(view.dialog, "thingSubmit")
            compare(submit.enabled, false)
            findChild(view.dialog, "firstField").text = "abc"
            compare(submit.enabled, true)
            mouseClick(submit)
            compare(view.dialog.busy, true)
            win.answerLast(400, '{"error":"Name taken"}')
            compare(view.dialog.busy, false)
            compare(win.toasts, ["Name taken"])
            compare(view.dialog.errorText, "Name taken")
            compare(view.dialog.opened, true)
            compare(findChild(view.dialog, "firstField").text, "abc")
            mouseClick(submit)
            win.answerLast(201, "{}")
            compare(win.toasts, ["Name taken", "Saved"])
            compare(view.state, null)
            tryCompare(view.dialog, "visible", false)
            view.state = {}
            tryCompare(view.dialog, "opened", true)
            compare(view.dialog.errorText, "")
        }
    }
}
