import QtQuick
import QtTest

// The base of the view tests: the recording `win`, and the program's doubles under short names.
TestCase {
    id: test
    width: 1000
    height: 760
    visible: true
    when: windowShown

    readonly property FakeWin win: FakeWin {}
    // Published by the test program, out of qmllint's sight: named here once.
    readonly property var api: Api // qmllint disable unqualified
    readonly property var proctor: Proctor // qmllint disable unqualified
    readonly property var machine: Machine // qmllint disable unqualified
    // What show() creates: `view` when a case sets one, else the document `doc`, filling the test.
    property Component view: null
    property string doc: name
    property var v: null

    // Every warning or error fails the test function that caused it (so no case overrides this).
    function initTestCase() {
        machine.failOnWarnings()
    }

    // A new view for `user` (a role: user 2 in it), its first load of `path` answered with `body`.
    function show(user, path, body) {
        win.active = true
        win.calls = []
        win.toasts = []
        win.reloads = 0
        api.reset()
        proctor.reset()
        machine.clearUrls()
        machine.setDoubleClickInterval(0)
        win.user = typeof user === "string" ? { id: 2, role: user } : user
        v = createTemporaryObject(view || Qt.createComponent("qrc:/qt/qml/Velto/qml/" + doc + ".qml"),
                                  test)
        verify(v !== null, "the view was not created")
        if (!view && v.anchors)
            v.anchors.fill = test
        if (path)
            win.answer("GET", path, 200, body)
        return v
    }

    function showView(name, user, path, body) {
        doc = name
        return show(user, path, body)
    }

    function el(name) {
        var item = findChild(v, name)
        verify(item !== null, "no item " + name)
        return item
    }

    // Clicks a control once laid out: controls move as others come and go.
    function click(name) {
        var item = el(name)
        for (var up = item; up; up = up.parent)
            waitForItemPolished(up)
        mouseClick(item)
    }

    function type(fields) {
        for (var name in fields)
            el(name).text = fields[name]
    }

    function open(button, dialog) {
        click(button)
        tryCompare(el(dialog), "opened", true)
    }

    // Submit is enabled exactly when `body` is given, and then sends it. Says whether it sent.
    function submits(dialog, body) {
        compare(el(dialog + "Submit").enabled, body !== undefined, "submit enabled")
        if (body === undefined)
            return false
        click(dialog + "Submit")
        compare(sent(), body)
        return true
    }

    function sent(call) {
        return JSON.parse((call || win.lastCall()).body)
    }

    function shown(names) {
        return names.filter(name => el(name).visible)
    }
}
