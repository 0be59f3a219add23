import QtQuick
import QtTest

// The base of the view tests. Views it creates reach the recording main window as `win`; the tests
// reach the doubles the test program publishes as `api`, `proctor` and `machine`.
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
    // What show() creates: `view` when a case sets one, else the module's document `doc`, filling
    // the test.
    property Component view: null
    property string doc: name
    property var v: null

    // Every warning or error fails the test function that caused it. A case defines no
    // initTestCase() of its own.
    function initTestCase() {
        machine.failOnWarnings()
    }

    // A new view for `user` (a role gives user 2 of that role); with a path, the view's first load
    // there is answered with `body`.
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

    // Sets each named field's text: { titleField: "Logo", … }.
    function type(fields) {
        for (var name in fields)
            el(name).text = fields[name]
    }

    function open(button, dialog) {
        click(button)
        tryCompare(el(dialog), "opened", true)
    }

    // The dialog's submit is enabled exactly when a body is expected; with one, it is clicked and
    // the body sent compared. Says whether it sent.
    function submits(dialog, body) {
        compare(el(dialog + "Submit").enabled, body !== undefined, "submit enabled")
        if (body === undefined)
            return false
        click(dialog + "Submit")
        compare(sent(), body)
        return true
    }

    // The body of the last call (or of the call given), parsed.
    function sent(call) {
        return JSON.parse((call || win.lastCall()).body)
    }

    // Which of these controls are shown.
    function shown(names) {
        return names.filter(name => el(name).visible)
    }
}
