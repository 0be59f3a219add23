import QtQuick

// The real main window against the recording Api double.
ViewCase {
    name: "Main"

    function init() {
        show(null)
    }

    function lastRequest() {
        return api.requests[api.requests.length - 1]
    }

    function page() {
        var stack = el("stack")
        compare(stack.depth, 1)
        return stack.currentItem.objectName
    }

    function test_calls_data() {
        return [
            { tag: "undefined member left out", body: { a: 1, gone: undefined, s: "t" },
              sent: '{"a":1,"s":"t"}' },
            { tag: "null", body: null, sent: "{}" },
            { tag: "reply empty", raw: "", data: null },
            { tag: "reply object", raw: '{"a":[1]}', data: { a: [1] } },
            { tag: "reply not JSON", raw: "Connection refused", data: null },
            { tag: "unsupported method", method: "get", got: [0, null, "Unsupported method"] }
        ]
    }

    function test_calls(row) {
        var method = row.method || "PUT", got = null
        v.call(method, "api/x", row.body, (status, data, text) => got = [status, data, text])
        var r = lastRequest()
        if (row.raw !== undefined)
            api.reply(r.id, 200, row.raw)
        compare(r.method + " " + r.path + " " + r.body, method + " api/x " + (row.sent || "{}"))
        compare(got, row.got || (row.raw === undefined ? null : [200, row.data, row.raw]))
        compare(Object.keys(v.pending), row.raw === undefined && !row.got ? ["1", "2"] : ["1"])
    }

    // Replies reach their own callbacks; with no callback or asker, twice or unknown: dropped.
    function test_repliesReachTheirOwnCallbacks() {
        var log = []
        var gone = Qt.createQmlObject("import QtQml; QtObject {}", v)
        v.call("GET", "api/a", null, (s, d) => log.push("a:" + d.n), v)
        v.call("GET", "api/b", null, (s, d) => log.push("b:" + d.n))
        v.call("DELETE", "api/teams/7", null, () => log.push("gone"), gone)
        gone.destroy()
        wait(0)
        var r = lastRequest()
        compare([r.id, r.method, r.path, r.body], [4, "DELETE", "api/teams/7", "{}"])
        api.reply(4, 200, "{}")
        api.reply(3, 200, '{"n":2}')
        api.reply(2, 200, '{"n":1}')
        api.reply(2, 200, '{"n":3}')
        api.reply(999, 200, '{"n":4}')
        compare([log, Object.keys(v.pending)], [["b:2", "a:1"], ["1"]])
    }

    function test_resume_data() {
        return [
            { tag: "user", reply: [200, '{"user":{"id":1,"role":"client"}}'], page: "HomeView" },
            { tag: "a list for user", reply: [200, '{"user":[1]}'] },
            { tag: "not JSON", reply: [200, "hello"] },
            { tag: "401", reply: [401, '{"error":"Not signed in"}'] },
            { tag: "no answer", reply: [0, "Connection refused"], down: true },
            { tag: "failing service", reply: [503, "{}"], down: true }
        ]
    }

    // No answer or a failing service is no verdict on the stored sign-in: say so, ask again.
    function test_resume(row) {
        api.reply(1, row.reply[0], row.reply[1])
        compare(page(), row.page || "LoginView")
        compare(v.user, row.page ? { id: 1, role: "client" } : null)
        var timer = el("resumeTimer")
        var said = findChild(v, "serviceDownRow")
        compare([v.serviceDown, timer.running, !!said && said.visible], [!!row.down, !!row.down, !!row.down])
        if (!row.down)
            return
        timer.interval = 10
        tryVerify(() => api.requests.filter(r => r.path === "api/auth/me").length >= 3)
        api.reply(lastRequest().id, 200, '{"user":{"id":1,"role":"client"}}')
        compare([page(), v.serviceDown, timer.running], ["HomeView", false, false])
    }

    // Signing in and out replace the page, and request ids go on; a 401 once signed in ends the
    // session. The smallest window scrolls its sidebar to "Sign out" and keeps a view its room.
    function test_signInAndOutReplaceThePage() {
        api.reply(1, 401, "")
        el("stack").currentItem.loggedIn({ id: 5, role: "client", full_name: "Asha" })
        compare([page(), v.user.full_name], ["HomeView", "Asha"])
        v.width = v.minimumWidth
        v.height = v.minimumHeight
        tryCompare(el("HomeView"), "height", v.minimumHeight)
        waitForItemPolished(el("sidebarColumn"))
        var flick = el("sidebarFlick"), out = el("signOutButton")
        flick.contentY = Math.max(0, flick.contentHeight - flick.height)
        var at = out.mapToItem(v.contentItem, 0, 0)
        verify(at.y >= 0 && at.y + out.height <= v.height, "Sign out at " + at.y)
        verify(el("contentArea").width >= 500)
        mouseClick(out)
        compare([page(), v.user, api.logoutCount], ["LoginView", null, 1])
        var last = lastRequest().id
        v.call("GET", "api/x")
        compare([last > 1, lastRequest().id], [true, last + 1])
        el("stack").currentItem.loggedIn({ id: 5, role: "freelancer" })
        var answered = false
        v.call("GET", "api/wallet", null, () => answered = true)
        api.reply(lastRequest().id, 401, '{"error":"Not signed in"}')
        tryVerify(() => el("stack").currentItem.objectName === "LoginView")
        compare([answered, v.user, el("noticeLabel").text],
                [true, null, "Your session has ended — please sign in again."])
    }
}
