import QtQuick
import QtTest
import Velto

// The real main window against the recording Api double.
Item {
    id: top
    width: 400
    height: 300

    Component {
        id: mainComp
        Main {}
    }

    SignalSpy {
        id: timerSpy
        signalName: "runningChanged"
    }

    TestCase {
        name: "Main"
        when: windowShown

        function init() {
            Api.reset()
            timerSpy.clear()
        }

        function createMain() {
            var w = createTemporaryObject(mainComp, top)
            verify(w !== null, "Main was not created")
            return w
        }

        function stackOf(w) {
            var s = findChild(w.contentItem, "stack")
            verify(s !== null)
            return s
        }

        function toastTimerOf(rect) {
            for (var i = 0; i < rect.data.length; ++i) {
                if (rect.data[i].interval !== undefined)
                    return rect.data[i]
            }
            fail("toast has no timer")
        }

        // Runs win.call and returns the request Api was given.
        function sent(w, method, path, body) {
            var before = Api.requests.length
            if (arguments.length < 4)
                w.call(method, path)
            else
                w.call(method, path, body, function () {})
            compare(Api.requests.length, before + 1)
            return Api.lastRequest()
        }

        function test_resumeRequestIsTheFirstId() {
            var w = createMain()
            compare(Api.requests.length, 1)
            var r = Api.requests[0]
            compare(r.id, 1)
            compare(r.method, "GET")
            compare(r.path, "api/auth/me")
            compare(r.body, "{}")
            compare(stackOf(w).currentItem.objectName, "bootPage")
            compare(stackOf(w).depth, 1)
            compare(w.title, "Velto — Talent Marketplace")
        }

        function test_bodies() {
            var w = createMain()
            compare(sent(w, "POST", "api/x", { a: 1, gone: undefined, s: "t" }).body,
                    '{"a":1,"s":"t"}')
            compare(sent(w, "POST", "api/x", null).body, "{}")
            compare(sent(w, "POST", "api/x").body, "{}")
            compare(sent(w, "PUT", "api/x", { n: [1, 2], o: { k: "v" } }).body,
                    '{"n":[1,2],"o":{"k":"v"}}')
            var r = sent(w, "DELETE", "api/teams/7", null)
            compare(r.method, "DELETE")
            compare(r.path, "api/teams/7")
            // ids keep counting from the resume request
            compare(r.id, 6)
            compare(w.seq, 6)
        }

        function test_unsupportedMethodAnswersBeforeCallReturns() {
            var w = createMain()
            var got = null
            w.call("get", "api/x", null, function (status, data, raw) {
                got = [status, data, raw]
            })
            compare(got, [0, null, "Unsupported method"])
            compare(Object.keys(w.pending).length, 1) // only the resume request waits
        }

        function test_replyBodies_data() {
            return [
                { tag: "null", raw: "null", data: null },
                { tag: "empty", raw: "", data: null },
                { tag: "empty array", raw: "[]", data: [] },
                { tag: "object", raw: '{"a":[1]}', data: { a: [1] } },
                { tag: "not JSON", raw: "Connection refused", data: null }
            ]
        }

        function test_replyBodies(row) {
            var w = createMain()
            var got = null
            w.call("GET", "api/x", null, function (status, data, raw) {
                got = { status: status, data: data, raw: raw }
            })
            var id = Api.lastRequest().id
            Api.emitReply(id, 200, row.raw)
            verify(got !== null)
            compare(got.status, 200)
            compare(got.data, row.data)
            compare(got.raw, row.raw)
            verify(!w.pending.hasOwnProperty(id))
        }

        function test_repliesInReverseOrderReachTheirOwnCallbacks() {
            var w = createMain()
            var log = []
            w.call("GET", "api/a", null, function (s, d) { log.push("a:" + d.n) })
            var idA = Api.lastRequest().id
            w.call("GET", "api/b", null, function (s, d) { log.push("b:" + d.n) })
            var idB = Api.lastRequest().id
            Api.emitReply(idB, 200, '{"n":2}')
            Api.emitReply(idA, 200, '{"n":1}')
            compare(log, ["b:2", "a:1"])
            // a second reply for an answered id, and one for an id never issued, are ignored
            Api.emitReply(idA, 200, '{"n":3}')
            Api.emitReply(999, 200, '{"n":4}')
            compare(log, ["b:2", "a:1"])
        }

        function test_callWithoutCallbackStillSends() {
            var w = createMain()
            w.call("POST", "api/notifications/read")
            var r = Api.lastRequest()
            compare(r.path, "api/notifications/read")
            Api.emitReply(r.id, 200, "{}") // dropped without an error
            verify(!w.pending.hasOwnProperty(r.id))
        }

        function test_resume_data() {
            return [
                { tag: "200 with user", status: 200, raw: '{"user":{"id":1,"role":"client"}}',
                  page: "HomeView" },
                { tag: "200 without user", status: 200, raw: '{"ok":true}', page: "LoginView" },
                { tag: "200 with null user", status: 200, raw: '{"user":null}', page: "LoginView" },
                { tag: "200 with a number for user", status: 200, raw: '{"user":7}', page: "LoginView" },
                { tag: "200 with false for user", status: 200, raw: '{"user":false}', page: "LoginView" },
                { tag: "200 with a string for user", status: 200, raw: '{"user":"x"}', page: "LoginView" },
                { tag: "200 with a list for user", status: 200, raw: '{"user":[1]}', page: "LoginView" },
                { tag: "200 not JSON", status: 200, raw: "hello", page: "LoginView" },
                { tag: "401", status: 401, raw: '{"error":"Not signed in"}', page: "LoginView" },
                { tag: "no answer", status: 0, raw: "Connection refused", page: "LoginView" }
            ]
        }

        function test_resume(row) {
            var w = createMain()
            Api.emitReply(1, row.status, row.raw)
            var s = stackOf(w)
            compare(s.currentItem.objectName, row.page)
            compare(s.depth, 1)
            if (row.page === "HomeView")
                compare(w.user.role, "client")
            else
                compare(w.user, null)
        }

        function test_signInAndOutReplaceThePage() {
            var w = createMain()
            var s = stackOf(w)
            Api.emitReply(1, 401, "")
            var login = s.currentItem
            compare(login.objectName, "LoginView")
            login.loggedIn({ id: 5, role: "freelancer", full_name: "Asha" })
            compare(s.currentItem.objectName, "HomeView")
            compare(s.depth, 1)
            compare(w.user.full_name, "Asha")
            mouseClick(findChild(s.currentItem, "signOutButton"))
            compare(Api.logoutCount, 1)
            compare(s.currentItem.objectName, "LoginView")
            compare(s.depth, 1)
            compare(w.user, null)
            // ids are not reset by signing out
            var last = Api.lastRequest().id
            verify(last > 1)
            w.call("GET", "api/x")
            compare(Api.lastRequest().id, last + 1)
        }

        function test_toast() {
            var w = createMain()
            var rect = findChild(w.contentItem, "toast")
            var label = findChild(w.contentItem, "toastLabel")
            var timer = toastTimerOf(rect)
            timerSpy.target = timer
            compare(rect.visible, false)
            w.toast("Saved")
            compare(rect.visible, true)
            compare(label.text, "Saved")
            // a second toast replaces the text and counts its time from its own call
            w.toast("Again")
            compare(label.text, "Again")
            compare(timerSpy.count, 3)
            compare(timer.running, true)
            timer.triggered()
            compare(rect.visible, false)
            w.toast("Once more")
            mouseClick(rect)
            compare(rect.visible, false)
        }

        // The boot page's indicator is drawn light on the dark window.
        function test_bootIndicatorIsLight() {
            var w = createMain()
            var busy = findChild(w.contentItem, "bootIndicator")
            verify(busy !== null)
            var c = busy.palette.text
            verify(0.299 * c.r + 0.587 * c.g + 0.114 * c.b > 0.6, "indicator colour " + c)
        }

        // At the smallest size the window allows, the sidebar scrolls to "Sign out" and the
        // content area keeps room for a view.
        function test_smallestWindowReachesSignOut() {
            var w = createMain()
            Api.emitReply(1, 200, '{"user":{"id":1,"role":"client","full_name":"C"}}')
            var home = stackOf(w).currentItem
            w.width = w.minimumWidth
            w.height = w.minimumHeight
            verify(w.minimumWidth > 0 && w.minimumHeight > 0)
            tryCompare(home, "height", w.minimumHeight)
            var flick = findChild(home, "sidebarFlick")
            waitForItemPolished(findChild(home, "sidebarColumn"))
            flick.contentY = Math.max(0, flick.contentHeight - flick.height)
            var out = findChild(home, "signOutButton")
            var at = out.mapToItem(w.contentItem, 0, 0)
            verify(at.y >= 0 && at.y + out.height <= w.height, "Sign out at " + at.y)
            verify(findChild(home, "contentArea").width >= 500)
        }
    }
}
