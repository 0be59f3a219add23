import QtQuick

ViewCase {
    name: "LoginView"

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

    // An "@" after the first character, a password of eight (not for a reset), a code in digits,
    // else the button says why; Enter in `enter` sends the e-mail trimmed, the rest as typed.
    function test_submits_data() {
        var login = "api/auth/login"
        return [
            { tag: "@ first", email: "@b.c", password: "12345678" },
            { tag: "7 characters", email: "a@b.c", password: "1234567", enter: "passwordField" },
            { tag: "code with a point", email: "a@b.c", password: "12345678", totp: "123.456" },
            { tag: "login", email: "  asha@velto.test ", password: " secret pw ", enter: "totpField",
              path: login, body: { email: "asha@velto.test", password: " secret pw " } },
            { tag: "login with a grouped code", email: "a@b.c", password: "12345678",
              totp: "123 456", enter: "passwordField", path: login,
              body: { email: "a@b.c", password: "12345678", totpCode: "123456" } },
            { tag: "register, 8 blanks", mode: "register", email: " asha@velto.test",
              name: "  Asha Rao ", password: "        ", clicks: ["freelancerRadio", "clientRadio"],
              enter: "fullNameField", path: "api/auth/register",
              body: { email: "asha@velto.test", password: "        ", fullName: "Asha Rao",
                      role: "client", termsAccepted: true, privacyAccepted: true } },
            { tag: "reset, no password", mode: "forgot", email: " a@b.c ", password: "ignored pw",
              totp: "1", path: "api/auth/forgot-password", body: { email: "a@b.c" } }
        ]
    }

    function test_submits(row) {
        fill(row.mode || "login", row.email, row.password, row.totp)
        type({ fullNameField: row.name || "" })
        for (var name of row.clicks || [])
            click(name)
        compare([el("submitButton").enabled, el("whyLabel").visible], [!!row.body, !row.body])
        el(row.enter || "emailField").forceActiveFocus()
        keyClick(Qt.Key_Return)
        compare(win.calls.map(c => c.method + " " + c.path), row.body ? ["POST " + row.path] : [])
        if (row.body)
            compare(sent(), row.body)
    }

    // The mode, error and notice after each answer, then after each of the `links` (they clear
    // the error). A sign-in answered 200 asks for the session (`me`), still working meanwhile.
    function test_answers_data() {
        return [
            { tag: "sign-in refused", reply: [401, ""], error: "Invalid credentials" },
            { tag: "me without user", me: [200, {}], error: "Signed in but no session" },
            { tag: "signed in", me: [200, { user: { id: 3, role: "freelancer" } }] },
            { tag: "reset", mode: "forgot", reply: [200, {}], after: "login",
              notice: "If that account exists, a reset link was emailed." },
            { tag: "reset unanswered", mode: "forgot", reply: [0, ""],
              error: "Cannot reach the Velto service" },
            { tag: "reset 500", mode: "forgot", reply: [500, ""],
              error: "The Velto service had a problem (status 500)" },
            { tag: "the links after an error", mode: "forgot", reply: [0, ""], links: [
                ["registerLink", "register"], ["forgotLink", "forgot"], ["forgotLink", "login"],
                ["registerLink", "register"], ["registerLink", "login"], ["forgotLink", "forgot"]] }
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
        for (var link of row.links || []) {
            click(link[0])
            compare(v.mode, link[1])
        }
        compare([v.mode, el("errorLabel").text, el("noticeLabel").text],
                [row.after || mode, row.error || "", row.notice || ""])
        compare(signedIn.map(u => u.id), row.error || row.reply ? [] : [3])
        compare(el("submitButton").enabled, true)
        // whatever the outcome, what was typed stays
        compare(["fullNameField", "emailField", "passwordField", "totpField"].map(n => el(n).text),
                ["Asha", "asha@velto.test", "12345678", "123456"])
    }
}
