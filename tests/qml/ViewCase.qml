import QtQuick
import QtTest

// The base of the view tests: a test document is a ViewCase that names its view's Component in
// `view` and states its tables. Views it creates reach the recording main window as `win`; the
// tests reach the doubles the test program publishes to every document as `api`, `proctor` and
// `machine`.
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
    property Component view: null
    // The view under test, as show() created it.
    property var v: null

    // Every warning or error fails the test function that caused it (ignoreWarning announces one
    // on purpose). A test document defines no initTestCase() of its own.
    function initTestCase() {
        machine.failOnWarnings()
    }

    // A new view for `user` (a role gives user 2 of that role; null gives no user); when a path is
    // given, the view's first load there is answered with `body`.
    function show(user, path, body) {
        win.active = true
        win.calls = []
        win.toasts = []
        win.reloads = 0
        api.reset()
        proctor.reset()
        machine.clearUrls()
        win.user = typeof user === "string" ? { id: 2, role: user } : user
        v = createTemporaryObject(view, test)
        verify(v !== null, "the view was not created")
        if (path)
            win.answer("GET", path, 200, body)
        return v
    }

    // The view of the module by this name, filling the test, for the tables over every view.
    function showView(name, user, path, body) {
        view = Qt.createComponent("qrc:/qt/qml/Velto/qml/" + name + ".qml")
        show(user, path, body).anchors.fill = test
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

    // Clicks the button that opens this dialog and waits until it is open.
    function open(button, dialog) {
        click(button)
        tryCompare(el(dialog), "opened", true)
    }

    // Checks that the dialog's submit button is enabled exactly when a body is expected; with
    // one, clicks it, checks the body sent and returns true.
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
