import QtQuick
import QtTest
import Velto
import "qrc:/qt/qml/Velto/qml/serviceorigin.js" as Service

Item {
    id: top
    width: 1000
    height: 760

    FakeWin {
        id: win
    }

    Component {
        id: viewComp
        ContractsView {
            anchors.fill: parent
        }
    }

    TestCase {
        name: "ContractsView"
        when: windowShown

        property var v: null
        readonly property string shot: "data:image/jpeg;base64,/9j/"
        readonly property string up: "ZadoZirir screenshot uploaded"

        function init() {
            win.reset()
            Api.reset()
            Browser.clear()
            Api.setThumbnail(shot)
        }

        // A contract with one milestone (id 5) and one delivery (id 6).
        function contract(id, more) {
            var c = { id: id, project_title: "C" + id, contract_type: "hourly", status: "active",
                      total_paise: 250, milestones: [{ id: 5, title: "M", status: "funded" }],
                      deliverables: [{ id: 6, summary: "Work", status: "submitted" }] }
            for (var k in more)
                c[k] = more[k]
            return c
        }

        function show(role, contracts) {
            win.user = { id: 2, role: role }
            v = createTemporaryObject(viewComp, top)
            win.answer("GET", "api/contracts", 200, { contracts: contracts })
            waitForItemPolished(v)
        }

        function el(name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }

        function test_cards() {
            show("client", [{ id: 9, total_paise: 249, deliverables: [
                { summary: "x".repeat(80), status: "submitted" }, { status: "accepted" }] }])
            compare(el("contractCard_0").title, "9")
            compare(el("typeLine_0").text, "fixed · ₹2")
            compare(el("delivery_0_0").text, "↳ Delivery: " + "x".repeat(50))
            compare(findChild(v, "delivery_0_1"), null)
        }

        function test_buttonsByRoleAndStatus_data() {
            return [
                { tag: "client, awaiting funding", role: "client", ms: "awaiting_funding",
                  shown: ["fund", "accept", "revision"] },
                { tag: "client, funded", role: "client", ms: "funded",
                  shown: ["dispute", "accept", "revision"] },
                { tag: "freelancer, funded", role: "freelancer", ms: "funded",
                  shown: ["zadoZirir", "deliver", "dispute"] },
                { tag: "freelancer, delivered", role: "freelancer", ms: "delivered",
                  shown: ["zadoZirir", "dispute"] },
                { tag: "freelancer, fixed", role: "freelancer", ms: "paid", type: "fixed", shown: [] },
                { tag: "freelancer, completed", role: "freelancer", ms: "paid", status: "completed",
                  shown: [] }
            ]
        }

        function test_buttonsByRoleAndStatus(row) {
            show(row.role, [contract(1, { contract_type: row.type || "hourly",
                                          status: row.status || "active",
                                          milestones: [{ id: 5, status: row.ms }] })])
            for (var b of ["fund", "deliver", "dispute", "accept", "revision"])
                compare(el(b + "Button_0_0").visible, row.shown.indexOf(b) >= 0, b)
            compare(el("zadoZirirButton_0").visible, row.shown.indexOf("zadoZirir") >= 0)
        }

        function test_oneClickActions_data() {
            var fund = { role: "client", button: "fundButton_0_0", ms: "awaiting_funding",
                         path: "api/milestones/5/funding-intents" }
            var accept = { role: "client", button: "acceptButton_0_0", path: "api/deliverables/6/accept" }
            return [
                { tag: "funded", a: fund, status: 200, body: { funded: true }, toast: "Funded", reload: true },
                { tag: "paid in the browser", a: fund, status: 200, body: { razorpay: { order_id: "o" } },
                  toast: "Complete payment in browser", reload: false, url: Service.origin + "/contracts" },
                { tag: "funding refused", a: fund, status: 409, body: { error: "Already funded" },
                  toast: "Already funded", reload: false },
                { tag: "accepted", a: accept, status: 200, body: {}, toast: "Accepted — paid", reload: true },
                { tag: "accept refused", a: accept, status: 409, body: { error: "No" }, toast: "Failed",
                  reload: true }
            ]
        }

        function test_oneClickActions(row) {
            show(row.a.role, [contract(1, { milestones: [{ id: 5, status: row.a.ms || "delivered" }] })])
            mouseClick(el(row.a.button))
            compare(win.lastCall().body, "{}")
            win.answer("POST", row.a.path, row.status, row.body)
            compare(win.toasts, [row.toast])
            compare(win.findCall("GET", "api/contracts") !== null, row.reload)
            compare(Browser.urls, row.url ? [row.url] : [])
        }

        function test_actionDialog_data() {
            var text = "Done: see the branch"
            return [
                { tag: "deliver", role: "freelancer", button: "deliverButton_0_0",
                  path: "api/milestones/5/deliverables", body: { summary: text, artifactUrl: "" } },
                { tag: "dispute", role: "freelancer", button: "disputeButton_0_0",
                  path: "api/milestones/5/disputes", body: { reason: text, evidence: text } },
                { tag: "revision", role: "client", button: "revisionButton_0_0",
                  path: "api/deliverables/6/revision", body: { feedback: text } }
            ]
        }

        function test_actionDialog(row) {
            show(row.role, [contract(1)])
            mouseClick(el(row.button))
            tryCompare(el("actionDialog"), "opened", true)
            el("actionText").text = "  " + "x".repeat(9) + "\n"
            compare(el("actionDialogSubmit").enabled, false)
            el("actionText").text = " " + row.body[Object.keys(row.body)[0]] + " "
            mouseClick(el("actionDialogSubmit"))
            compare(JSON.parse(win.lastCall().body), row.body)
            win.answer("POST", row.path, 400, { error: "Too short" })
            compare(v.actionKind !== "", true)
            compare(el("actionText").text.trim(), row.body[Object.keys(row.body)[0]])
            mouseClick(el("actionDialogSubmit"))
            win.answer("POST", row.path, 201, {})
            compare(win.toasts, ["Too short", "Done"])
            compare(v.actionKind, "")
            verify(win.findCall("GET", "api/contracts") !== null)
        }

        // Steps: a digit clicks that card's ZadoZirir button, "tick" is the ten-minute timer,
        // "reload" answers a reload with `after`. Every upload is answered with `status`.
        function test_zadoZirir_data() {
            var started = "ZadoZirir started", stopped = "ZadoZirir stopped"
            return [
                { tag: "start uploads at once, then every tick", steps: ["0", "tick"], sent: ["7", "7"],
                  toasts: [started, up, up] },
                { tag: "moving keeps the schedule", steps: ["0", "1", "tick"], sent: ["7", "8", "8"],
                  toasts: [started, up, started, up, up] },
                { tag: "stop uploads nothing more", steps: ["0", "0", "tick"], sent: ["7"],
                  toasts: [started, up, stopped] },
                { tag: "ids as text", ids: ["7", "8"], steps: ["1", "1"], sent: ["8"],
                  toasts: [started, up, stopped] },
                { tag: "capture failed", shot: "", steps: ["0", "tick"], sent: [],
                  toasts: [started, "ZadoZirir: capture failed", "ZadoZirir: capture failed"] },
                { tag: "upload failed", status: 409, steps: ["0"], sent: ["7"],
                  toasts: [started, "ZadoZirir upload failed"] },
                { tag: "still listed after a reload", steps: ["0", "reload", "tick"], after: [{}],
                  sent: ["7", "7"], toasts: [started, up, up] },
                { tag: "gone after a reload", steps: ["0", "reload", "tick"], after: [], sent: ["7"],
                  toasts: [started, up, stopped] },
                { tag: "completed after a reload", steps: ["0", "reload"], after: [{ status: "completed" }],
                  sent: ["7"], toasts: [started, up, stopped] }
            ]
        }

        function test_zadoZirir(row) {
            var ids = row.ids || [7, 8]
            if (row.shot !== undefined)
                Api.setThumbnail(row.shot)
            show("freelancer", [contract(ids[0]), contract(ids[1])])
            var timer = findChild(v, "zadoZirirTimer")
            for (var step of row.steps) {
                if (step === "tick") {
                    timer.triggered()
                } else if (step === "reload") {
                    v.load()
                    win.answer("GET", "api/contracts", 200,
                               { contracts: row.after.map(function (m) { return contract(ids[0], m) }) })
                } else {
                    mouseClick(el("zadoZirirButton_" + step))
                }
                var upload = win.findCall("POST", "api/work-screenshots")
                if (upload)
                    win.answerCall(upload, row.status || 201, "{}")
            }
            var uploads = win.calls.filter(function (c) { return c.path === "api/work-screenshots" })
            compare(uploads.map(function (c) { return JSON.parse(c.body).contractId }), row.sent)
            uploads.forEach(function (c) { compare(JSON.parse(c.body).thumbnailData, shot) })
            compare(win.toasts, row.toasts)
            compare(timer.running, v.diaryContract !== "")
        }

        function test_zadoZirirButtonAndTabChange() {
            show("freelancer", [contract(7)])
            mouseClick(el("zadoZirirButton_0"))
            win.answer("POST", "api/work-screenshots", 201, {})
            compare(el("zadoZirirButton_0").text, "⏸ Stop ZadoZirir")
            var timer = findChild(v, "zadoZirirTimer")
            compare(timer.interval, 600000)
            verify(timer.running)
            v.destroy() // a tab change: tracking ends without a word
            wait(0)
            compare(win.toasts, ["ZadoZirir started", up])
        }
    }
}
