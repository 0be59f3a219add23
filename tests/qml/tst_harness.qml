import QtQuick
import QtTest

// The test doubles behave as the views' tests rely on.
TestCase {
    name: "Harness"

    FakeWin {
        id: win
    }

    SignalSpy {
        id: violationSpy
        target: Proctor
        signalName: "violation"
    }

    function init() {
        Api.reset()
        Proctor.reset()
        Browser.clear()
        win.reset()
        violationSpy.clear()
    }

    function test_browserHandOffIsCaught() {
        Qt.openUrlExternally("https://localhost:8443/skills")
        compare(Browser.urls, ["https://localhost:8443/skills"])
    }

    function test_apiDouble() {
        var got = []
        var conn = function (id, status, body) { got.push([id, status, body]) }
        Api.reply.connect(conn)
        Api.request(7, "get", "api/x", "{}")
        compare(got, [[7, 0, "Unsupported method"]]) // answered inside request()
        Api.request(8, "POST", "api/y", '{"a":1}')
        compare(got.length, 1)
        compare(Api.lastRequest().body, '{"a":1}')
        Api.emitReply(8, 201, "{}")
        compare(got[1], [8, 201, "{}"])
        Api.reply.disconnect(conn)
        Api.setScreenCount(2)
        Api.setThumbnail("data:image/jpeg;base64,AAAA")
        compare(Api.screenCount(), 2)
        compare(Api.captureScreenThumbnail(), "data:image/jpeg;base64,AAAA")
        compare(Api.captureCount, 1)
    }

    function test_proctorDouble() {
        compare(Proctor.hasCamera(), false)
        Proctor.setHasCamera(true)
        compare(Proctor.hasCamera(), true)
        Proctor.start()
        Proctor.stop()
        compare(Proctor.calls, ["start", "stop"])
        Proctor.setMicLevel(40)
        compare(Proctor.micLevel, 40)
        Proctor.emitViolation("voice", "Sustained audio detected")
        compare(violationSpy.count, 1)
        compare(violationSpy.signalArguments[0][0], "voice")
        compare(violationSpy.signalArguments[0][1], "Sustained audio detected")
    }

    function test_fakeWindow() {
        var got = null
        win.call("PUT", "api/bank-account", { a: undefined, b: 2 }, function (s, d, r) {
            got = [s, d, r]
        })
        compare(win.lastCall().body, '{"b":2}')
        win.answer("PUT", "api/bank-account", 200, "[]")
        compare(got, [200, [], "[]"])
        verify(win.findCall("PUT", "api/bank-account") === null)
        win.call("POST", "api/x", null, function (s, d, r) { got = [s, d, r] })
        win.answerLast(500, "")
        compare(got, [500, null, ""])
        win.call("get", "api/x", null, function (s, d, r) { got = [s, d, r] })
        compare(got, [0, null, "Unsupported method"])
        win.toast("Saved")
        compare(win.toasts, ["Saved"])
    }
}
