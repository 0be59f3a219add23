import QtQuick

ViewCase {
    name: "SkillsView"

    // "max level reached" when the badge held is the last level, not for a next level missing.
    function test_levelLine() {
        show("freelancer", "api/assessments/available", { assessments: [
            { badgeLevel: 3, nextLevel: null, maxLevel: 3 }, { badgeLevel: 2, nextLevel: null },
            { badgeLevel: 2, nextLevel: 9007199254740993 }, { nextLevel: 1, feePaise: -100 }] })
        compare(Array.from({ length: 4 }, (_, i) => el("levelLine_" + i).text),
                ["🏅 Level 3 · max level reached", "🏅 Level 2", "🏅 Level 2", "next: Level 1 · —"])
    }

    // Monitoring that cannot run shows why (not "No webcam"), reported once; no verdict is made up.
    function test_monitoringUnavailable() {
        show("freelancer", "api/assessments/available", { assessments: [{ skill: "Go", nextLevel: 1 }] })
        proctor.setUnavailable("no module")
        click("takeButton_0")
        win.answer("POST", "api/assessments/Go/1/start", 201, { attempt: { id: 4 } })
        win.answer("GET", "api/assessments/attempts/4/questions", 200,
                   { attempt: { id: 4, timeLimitSeconds: 60 }, questions: [] })
        proctor.violation("monitoring_unavailable", "no module")
        compare([el("webcamLabel").text, v.violations, win.calls.slice(3).map(c => c.body)],
                ["🚫 Camera and microphone monitoring unavailable: no module", 1,
                 ['{"kind":"monitoring_unavailable","detail":"no module","imageData":""}']])
        click("forfeitButton")
        win.answer("POST", "api/assessments/attempts/4/submit", 200, [{ passed: false, score: 1 }])
        compare([v.exam, v.result, win.toasts], [null, null, ["The service's answer could not be read"]])
    }

    // Under review: no start; a fee: the web; an exam on two screens times out, fails, is left.
    function test_examFromFeeToLeaving() {
        show({ id: 2, role: "freelancer" }, "api/assessments/available",
             { assessments: [{ skill: "UI/UX Design", nextLevel: 2 },
                             { skill: "C++", nextLevel: 2, inReview: true }] })
        compare(shown(["takeButton_0", "takeButton_1"]), ["takeButton_0"]) // 1 is under review
        api.setScreenCount(2)
        var start = "api/assessments/UI%2FUX%20Design/2/start"
        click("takeButton_0")
        click("takeButton_0") // a start is one request
        compare([win.count("POST", start), el("takeButton_0").enabled], [1, false])
        win.answer("POST", start, 200, { razorpay: {} })
        win.answer("POST", "api/auth/web-link", 404, {}) // a service without one-time links
        compare([machine.urls, v.attemptId, proctor.calls], [[api.origin + "/skills"], "", []])
        click("takeButton_0")
        win.answer("POST", start, 201, { attempt: { id: 9 } })
        win.answer("GET", "api/assessments/attempts/9/questions", 200, {
            attempt: { id: 9, timeLimitSeconds: 2 },
            questions: [{ id: "q", options: [{ key: "k" }] }] })
        win.active = false
        win.active = true // coming back counts nothing
        verify(!el("submitExamButton").enabled) // until every question is answered
        click("option_0_0")
        tryVerify(() => win.findCall("POST", "api/assessments/attempts/9/submit"), 5000)
        win.answer("POST", "api/assessments/attempts/9/submit", 409, { error: "Too late" })
        // counted, but the attempt takes no more events
        proctor.violation("voice", "x")
        compare(win.calls.slice(5).map(c => c.path.split("/").pop() + " " + c.body), [
            'proctor {"kind":"multi_monitor","detail":"2 displays","imageData":""}',
            'proctor {"kind":"focus_loss","detail":"","imageData":""}',
            'submit {"answers":{"q":"k"},"forfeited":false,"proctoringViolations":2}'])
        compare([win.toasts.slice(1), v.warning, v.exam !== null, el("submitExamButton").enabled],
                [["Time up — submitting", "Too late"],
                 "⚠ Voice/audio detected (3) — >5 goes to manual review.", true, true])
        v.destroy()
        tryVerify(() => v === null)
        compare(proctor.calls, ["start", "stop", "stop"])
    }
}
