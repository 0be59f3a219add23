import QtQuick

ViewCase {
    name: "ContractsView"

    // A real picture of 1 × 1 pixel.
    readonly property string shot: "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAf"
        + "FcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg=="
    readonly property string up: "ZadoZirir screenshot uploaded"

    // An active hourly contract, milestone 5 and delivery 6 waiting (accepted ones are unlisted).
    function contract(id, more) {
        return Object.assign({ id: id, contract_type: "hourly", status: "active",
                               milestones: [{ id: 5, status: "funded" }],
                               deliverables: [{ status: "accepted" },
                                              { id: 6, status: "submitted" }] }, more)
    }

    function showContracts(role, contracts) {
        show(role, "api/contracts", { contracts: contracts })
        api.setThumbnail(shot)
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
            { tag: "freelancer, awaiting funding", role: "freelancer", ms: "awaiting_funding",
              shown: ["zadoZirir"] },
            { tag: "freelancer, fixed", role: "freelancer", ms: "paid", type: "fixed", shown: [] },
            { tag: "freelancer, completed", role: "freelancer", ms: "paid", status: "completed",
              shown: [] }
        ]
    }

    function test_buttonsByRoleAndStatus(row) {
        showContracts(row.role, [contract(1, { contract_type: row.type || "hourly",
                                               status: row.status || "active",
                                               milestones: [{ id: 5, status: row.ms }] })])
        var names = ["zadoZirirButton_0", "fundButton_0_0", "deliverButton_0_0",
                     "disputeButton_0_0", "acceptButton_0_0", "revisionButton_0_0"]
        compare(shown(names),
                Array.from(names).filter(n => row.shown.some(b => n.startsWith(b + "Button"))))
    }

    // Funding, in the wallet or the browser, and accepting are walked end to end.
    function test_refusedAcceptReloads() {
        showContracts("client", [contract(1)])
        click("acceptButton_0_0")
        win.answer("POST", "api/deliverables/6/accept", 409, { error: "No" })
        compare([win.toasts, win.count("GET", "api/contracts")], [["Failed"], 2])
    }

    // A text of ten characters once trimmed, sent trimmed.
    function test_actionDialog_data() {
        var text = "Done: see the branch"
        return [
            { tag: "deliver", role: "freelancer", path: "api/milestones/5/deliverables",
              body: { summary: text, artifactUrl: "" } },
            { tag: "dispute", role: "freelancer", path: "api/milestones/5/disputes",
              body: { reason: text, evidence: text } },
            { tag: "revision", role: "client", path: "api/deliverables/6/revision",
              body: { feedback: text } }
        ]
    }

    function test_actionDialog(row) {
        showContracts(row.role, [contract(1)])
        open(row.tag + "Button_0_0", "actionDialog")
        type({ actionText: "  " + "x".repeat(9) + "\n" })
        submits("actionDialog")
        type({ actionText: " Done: see the branch " })
        submits("actionDialog", row.body)
        win.answer("POST", row.path, 201, {})
        compare([win.toasts, v.actionKind, win.count("GET", "api/contracts")], [["Done"], "", 2])
    }

    // Steps: a digit clicks that card's ZadoZirir button, "tick" fires the timer, "reload" answers
    // a reload with `after`. Uploads are answered with `status` and `reply`.
    function test_zadoZirir_data() {
        var started = "ZadoZirir started", stopped = "ZadoZirir stopped"
        var unlisted = stopped + ": the contract no longer takes screenshots"
        return [
            { tag: "moving keeps the schedule", steps: ["0", "1", "tick"], sent: ["7", "8", "8"],
              toasts: [started, up, started, up, up] },
            { tag: "stop uploads nothing more", steps: ["0", "0", "tick"], sent: ["7"],
              toasts: [started, up, stopped] },
            { tag: "ids as text", ids: ["7", "8"], steps: ["1", "1"], sent: ["8"],
              toasts: [started, up, stopped] },
            { tag: "capture failed", shot: "", steps: ["0", "tick"], sent: [],
              toasts: [started, "ZadoZirir: capture failed", "ZadoZirir: capture failed"] },
            { tag: "too many uploads: goes on", status: 429, steps: ["0", "tick"], sent: ["7", "7"],
              toasts: [started, "ZadoZirir upload failed", "ZadoZirir upload failed"] },
            { tag: "refused: the contract ended elsewhere", status: 409, steps: ["0", "tick"],
              reply: { error: "Contract is not active" }, sent: ["7"], loads: 2,
              toasts: [started, stopped + ": Contract is not active"] },
            { tag: "still listed after a reload", steps: ["0", "reload", "tick"], after: [{}],
              sent: ["7", "7"], toasts: [started, up, up] },
            { tag: "gone after a reload", steps: ["0", "reload", "tick"], after: [],
              sent: ["7"], toasts: [started, up, unlisted] },
            { tag: "completed after a reload", steps: ["0", "reload"],
              after: [{ status: "completed" }], sent: ["7"], toasts: [started, up, unlisted] }
        ]
    }

    function test_zadoZirir(row) {
        var ids = row.ids || [7, 8]
        showContracts("freelancer", [contract(ids[0]), contract(ids[1])])
        if (row.shot !== undefined)
            api.setThumbnail(row.shot)
        var timer = findChild(v, "zadoZirirTimer")
        for (var step of row.steps) {
            if (step === "tick") {
                timer.triggered()
            } else if (step === "reload") {
                v.load()
                win.answer("GET", "api/contracts", 200,
                           { contracts: row.after.map(more => contract(ids[0], more)) })
            } else {
                click("zadoZirirButton_" + step)
            }
            var upload = win.findCall("POST", "api/work-screenshots")
            if (upload)
                win.answerCall(upload, row.status || 201, row.reply || {})
        }
        var uploads = win.calls.filter(c => c.path === "api/work-screenshots").map(c => sent(c))
        compare(uploads.map(u => u.contractId), row.sent)
        uploads.forEach(u => compare(u.thumbnailData, shot))
        compare(win.toasts, row.toasts)
        var loads = row.loads || 1 + row.steps.filter(s => s === "reload").length
        compare([timer.running, win.count("GET", "api/contracts")], [v.diaryContract !== "", loads])
    }

    function test_zadoZirirSaysWhatLeftAndWhenItEnds() {
        showContracts("freelancer", [contract(7)])
        click("zadoZirirButton_0")
        win.answer("POST", "api/work-screenshots", 201, {})
        api.setThumbnail("data:image/png;base64,")
        findChild(v, "zadoZirirTimer").triggered()
        win.answer("POST", "api/work-screenshots", 429, { error: "Too many screenshots" })
        // the last one the service took, when, and that the next was not
        compare([el("lastCaptureImage_0").source.toString(), el("lastRefusal_0").text],
                [shot, "The latest screenshot was not accepted: Too many screenshots"])
        verify(/^Last screenshot sent at \d\d:\d\d$/.test(el("lastCaptureTime_0").text))
        v.destroy() // a tab change ends tracking, with a word
        tryVerify(() => v === null)
        compare(win.toasts.slice(-1), ["ZadoZirir stopped"])
    }
}
