import QtQuick

ViewCase {
    name: "LoginView"

    readonly property string created: "Account created — verify your email, then sign in."
    readonly property string mailed: "If that account exists, a reset link was emailed."
    property var signedIn: []

    function init() {
        show(null)
        signedIn = []
        v.loggedIn.connect(u => signedIn.push(u))
    }

    function fill(mode, email, password, totp) {
        v.mode = mode
        type({ emailField: email, passwordField: password || "", totpField: totp || "" })
    }

    // An "@" after the first character; a password of eight characters except for a reset. A
    // disabled button is explained beside it.
    // Enter in any field (`enter`) submits, but not while the button is disabled.
    function test_enableRule_data() {
        return [
            { tag: "login", mode: "login", email: "a@b.c", password: "12345678", on: true,
              enter: "passwordField" },
            { tag: "@ first", mode: "login", email: "@b.c", password: "12345678", on: false },
            { tag: "blank before @", mode: "login", email: " @b", password: "12345678", on: true,
              enter: "totpField" },
            { tag: "7 characters", mode: "login", email: "a@b.c", password: "1234567", on: false,
              enter: "passwordField" },
            { tag: "8 blanks", mode: "register", email: "a@b.c", password: "        ", on: true,
              enter: "fullNameField" },
            { tag: "reset, no password", mode: "forgot", email: "a@b.c", on: true },
            { tag: "code with a point", mode: "login", email: "a@b.c", password: "12345678",
              totp: "123.456", on: false }
        ]
    }

    function test_enableRule(row) {
        fill(row.mode, row.email, row.password, row.totp)
        compare([el("submitButton").enabled, el("whyLabel").visible], [row.on, !row.on])
        el(row.enter || "emailField").forceActiveFocus()
        keyClick(Qt.Key_Return)
        compare(win.calls.length, row.on ? 1 : 0)
    }

    // The e-mail trimmed, the password as typed, no code when none is given (a code is given in
    // tst_e2e_auth).
    function test_bodies_data() {
        var registered = { email: "asha@velto.test", password: "pass word 1", fullName: "Asha Rao",
                           role: "client", termsAccepted: true, privacyAccepted: true }
        return [
            { tag: "login", mode: "login", email: "  asha@velto.test ", password: " secret pw ",
              path: "api/auth/login", body: { email: "asha@velto.test", password: " secret pw " } },
            { tag: "login with a grouped code", mode: "login", email: "a@b.c", password: "12345678",
              totp: "123 456", path: "api/auth/login",
              body: { email: "a@b.c", password: "12345678", totpCode: "123456" } },
            { tag: "register", mode: "register", email: " asha@velto.test", name: "  Asha Rao ",
              password: "pass word 1", clicks: ["freelancerRadio", "clientRadio"],
              path: "api/auth/register", body: registered },
            { tag: "register as it starts", mode: "register", email: "asha@velto.test",
              password: "pass word 1", path: "api/auth/register",
              body: Object.assign({}, registered, { fullName: "", role: "freelancer" }) },
            { tag: "reset", mode: "forgot", email: " a@b.c ", password: "ignored pw", totp: "1",
              path: "api/auth/forgot-password", body: { email: "a@b.c" } }
        ]
    }

    function test_bodies(row) {
        fill(row.mode, row.email, row.password, row.totp)
        type({ fullNameField: row.name || "" })
        for (var name of row.clicks || [])
            click(name)
        click("submitButton")
        compare(win.calls.length, 1)
        compare([win.lastCall().method, win.lastCall().path, sent()], ["POST", row.path, row.body])
    }

    // What each answer shows: the mode after it, the error and the notice (in words of its
    // own or the form's; wording.js words the rest). A sign-in answered 200 asks for the session
    // (`me`), still working meanwhile.
    function test_answers_data() {
        return [
            { tag: "registered", mode: "register", reply: [201, ""], after: "login",
              notice: created },
            { tag: "register refused", mode: "register", reply: [409, { error: "Taken" }],
              error: "Taken" },
            { tag: "sign-in refused", reply: [401, ""], error: "Invalid credentials" },
            { tag: "sign-in 503", reply: [503, ""],
              error: "The Velto service had a problem (status 503)" },
            { tag: "me without user", me: [200, {}], error: "Signed in but no session" },
            { tag: "signed in", me: [200, { user: { id: 3, role: "freelancer" } }] },
            { tag: "reset", mode: "forgot", reply: [200, {}], after: "login", notice: mailed },
            { tag: "reset unanswered", mode: "forgot", reply: [0, ""],
              error: "Cannot reach the Velto service" },
            { tag: "reset 500", mode: "forgot", reply: [500, ""],
              error: "The Velto service had a problem (status 500)" }
        ]
    }

    function test_answers(row) {
        var mode = row.mode || "login"
        type({ fullNameField: "Asha" })
        fill(mode, "asha@velto.test", "12345678", "123456")
        click("submitButton")
        click("submitButton") // one request at a time
        var reply = row.reply || [200, {}]
        win.answer("POST", win.lastCall().path, reply[0], reply[1])
        if (row.me) {
            compare([el("submitButton").enabled, signedIn, win.lastCall().method + " "
                     + win.lastCall().path + " " + win.lastCall().body],
                    [false, [], "GET api/auth/me {}"])
            win.answer("GET", "api/auth/me", row.me[0], row.me[1])
        } else {
            compare(win.calls.length, 1)
        }
        compare([v.mode, el("errorLabel").text, el("noticeLabel").text],
                [row.after || mode, row.error || "", row.notice || ""])
        compare(signedIn.map(u => u.id), row.error || row.reply ? [] : [3])
        compare(el("submitButton").enabled, true)
        // whatever the outcome, what was typed stays
        compare(["fullNameField", "emailField", "passwordField", "totpField"].map(n => el(n).text),
                ["Asha", "asha@velto.test", "12345678", "123456"])
    }

    // The links cycle the modes, keep what was typed and the notice, and clear the error.
    function test_modeLinks() {
        fill("forgot", "a@b.c", "12345678")
        click("submitButton")
        win.answerLast(0, "")
        v.notice = created
        var modes = []
        for (var link of ["registerLink", "registerLink", "forgotLink", "forgotLink",
                          "registerLink", "forgotLink", "forgotLink"]) {
            click(link)
            modes.push(v.mode)
        }
        compare(modes, ["register", "login", "forgot", "login", "register", "forgot", "login"])
        compare(["emailField", "passwordField", "noticeLabel", "errorLabel"].map(n => el(n).text),
                ["a@b.c", "12345678", created, ""])
    }
}
