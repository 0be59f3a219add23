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
        property bool active: true // the real window's focus
    }
    Component {
        id: viewComp
        SkillsView {}
    }

    TestCase {
        name: "SkillsView"
        when: windowShown
        property var v: null

        function init() {
            win.reset()
            v = createTemporaryObject(viewComp, top, { width: 1000, height: 760 })
        }

        function test_rules() {
            compare([65, 59].map(s => v.clockText(s) + " " + v.clockColor(s)), ["1:05 #6E97FF", "0:59 #FF8A80"])
            compare(["no_camera", "voice", "clipboard", "other"].map(r => v.violationLabel(r, "as said")),
                    ["No webcam detected", "Voice/audio detected", "Clipboard activity", "as said"])
        }

        // A fee hands off to the web; an exam on two screens then times out, fails and is left.
        function test_examFromFeeToLeaving() {
            Api.setScreenCount(2)
            win.answer("GET", "api/assessments/available", 200, { assessments: [{ skill: "UI/UX Design", nextLevel: 2 }] })
            waitForItemPolished(v)
            mouseClick(findChild(v, "takeButton_0"))
            win.answer("POST", "api/assessments/UI%2FUX%20Design/2/start", 200, { razorpay: {} })
            compare([Browser.urls, v.attemptId, Proctor.startCount], [[Service.origin + "/skills"], "", 0])
            mouseClick(findChild(v, "takeButton_0"))
            win.answer("POST", "api/assessments/UI%2FUX%20Design/2/start", 201, { attempt: { id: 9 } })
            win.answer("GET", "api/assessments/attempts/9/questions", 200,
                       { attempt: { id: 9, timeLimitSeconds: 2 }, questions: [{ id: "q", options: [{ key: "k" }] }] })
            win.active = false
            win.active = true // coming back counts nothing
            waitForItemPolished(v)
            verify(!findChild(v, "submitExamButton").enabled) // until every question is answered
            mouseClick(findChild(v, "option_0_0"))
            tryVerify(() => win.findCall("POST", "api/assessments/attempts/9/submit"), 5000)
            win.answer("POST", "api/assessments/attempts/9/submit", 409, { error: "Too late" })
            Proctor.emitViolation("voice", "x") // counted, but the attempt takes no more events
            compare(win.calls.slice(4).map(c => c.path.split("/").pop() + " " + c.body), [
                'proctor {"kind":"multi_monitor","detail":"2 displays","imageData":""}',
                'proctor {"kind":"focus_loss","detail":"","imageData":""}',
                'submit {"answers":{"q":"k"},"forfeited":false,"proctoringViolations":2}'])
            compare([win.toasts.slice(1), v.warning, v.exam !== null, findChild(v, "submitExamButton").enabled],
                    [["Time up — submitting", "Too late"], "⚠ Voice/audio detected (3) — >5 goes to manual review.", true, true])
            v.destroy()
            tryVerify(() => v === null)
            compare(Proctor.calls, ["start", "stop", "stop"])
        }
    }
}
