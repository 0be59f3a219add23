import QtQuick
import QtTest
import Velto

Item {
    id: top
    width: 1100
    height: 760

    FakeWin {
        id: win
    }

    Component {
        id: loginComp
        LoginView {
            anchors.fill: parent
        }
    }

    SignalSpy {
        id: loggedInSpy
        signalName: "loggedIn"
    }

    TestCase {
        name: "LoginView"
        when: windowShown

        property var v: null

        function init() {
            win.reset()
            loggedInSpy.clear()
            v = createTemporaryObject(loginComp, top)
            verify(v !== null)
            loggedInSpy.target = v
        }

        function el(name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }

        function fill(email, password, totp) {
            el("emailField").text = email
            el("passwordField").text = password || ""
            el("totpField").text = totp || ""
        }

        // Clicks a control once the layout has settled (a mode change moves controls).
        function click(name) {
            waitForItemPolished(el("form"))
            mouseClick(el(name))
        }

        function submit() {
            // a mode change moves the button: let the layout settle before clicking it
            waitForItemPolished(el("form"))
            var b = el("submitButton")
            verify(b.enabled, "submit button is disabled")
            mouseClick(b)
        }

        function test_enableRule_data() {
            return [
                { tag: "login ok", mode: "login", email: "a@b.c", password: "12345678", on: true },
                { tag: "email starts with @", mode: "login", email: "@b.c", password: "12345678", on: false },
                { tag: "no @", mode: "login", email: "ab.c", password: "12345678", on: false },
                { tag: "blank before @", mode: "login", email: " @b", password: "12345678", on: true },
                { tag: "nothing after @", mode: "login", email: "a@", password: "12345678", on: true },
                { tag: "7 characters", mode: "login", email: "a@b.c", password: "1234567", on: false },
                { tag: "8 blanks", mode: "login", email: "a@b.c", password: "        ", on: true },
                { tag: "register 7", mode: "register", email: "a@b.c", password: "1234567", on: false },
                { tag: "register 8", mode: "register", email: "a@b.c", password: "12345678", on: true },
                { tag: "forgot no password", mode: "forgot", email: "a@b.c", password: "", on: true },
                { tag: "forgot @ first", mode: "forgot", email: "@b.c", password: "", on: false },
                { tag: "empty", mode: "login", email: "", password: "", on: false }
            ]
        }

        function test_enableRule(row) {
            v.mode = row.mode
            fill(row.email, row.password)
            compare(el("submitButton").enabled, row.on)
        }

        function test_modesShowTheirFields_data() {
            return [
                { tag: "login", mode: "login", fullName: false, password: true, totp: true },
                { tag: "register", mode: "register", fullName: true, password: true, totp: false },
                { tag: "forgot", mode: "forgot", fullName: false, password: false, totp: false }
            ]
        }

        function test_modesShowTheirFields(row) {
            v.mode = row.mode
            compare(el("fullNameField").visible, row.fullName)
            compare(el("clientRadio").visible, row.fullName)
            compare(el("passwordField").visible, row.password)
            compare(el("totpField").visible, row.totp)
        }

        function test_loginBodies_data() {
            return [
                { tag: "no code", email: "  asha@velto.test ", password: " secret pw ", totp: "",
                  body: '{"email":"asha@velto.test","password":" secret pw "}' },
                { tag: "code", email: "asha@velto.test", password: "12345678", totp: "042117",
                  body: '{"email":"asha@velto.test","password":"12345678","totpCode":"042117"}' },
                { tag: "code untrimmed", email: "a@b", password: "12345678", totp: " 1 ",
                  body: '{"email":"a@b","password":"12345678","totpCode":" 1 "}' }
            ]
        }

        function test_loginBodies(row) {
            fill(row.email, row.password, row.totp)
            submit()
            compare(win.calls.length, 1)
            compare(win.lastCall().method, "POST")
            compare(win.lastCall().path, "api/auth/login")
            compare(win.lastCall().body, row.body)
        }

        function test_registerBody() {
            click("registerLink")
            el("fullNameField").text = "  Asha Rao "
            fill(" asha@velto.test", "pass word 1")
            click("clientRadio")
            submit()
            compare(win.lastCall().path, "api/auth/register")
            compare(win.lastCall().body,
                    '{"email":"asha@velto.test","password":"pass word 1","fullName":"Asha Rao",'
                    + '"role":"client","termsAccepted":true,"privacyAccepted":true}')
        }

        function test_registerDefaultsToFreelancerWithEmptyName() {
            v.mode = "register"
            fill("a@b.c", "12345678")
            compare(el("freelancerRadio").checked, true)
            compare(el("clientRadio").checked, false)
            click("clientRadio")
            compare(el("clientRadio").checked, true)
            compare(el("freelancerRadio").checked, false)
            click("freelancerRadio")
            compare(el("freelancerRadio").checked, true)
            compare(el("clientRadio").checked, false)
            submit()
            compare(JSON.parse(win.lastCall().body).role, "freelancer")
            compare(JSON.parse(win.lastCall().body).fullName, "")
        }

        function test_forgotBody() {
            click("forgotLink")
            fill(" a@b.c ", "ignored pw")
            submit()
            compare(win.lastCall().path, "api/auth/forgot-password")
            compare(win.lastCall().body, '{"email":"a@b.c"}')
        }

        function test_registerAnswers_data() {
            return [
                { tag: "200", status: 200, body: '{"ok":true}', ok: true },
                { tag: "201", status: 201, body: "", ok: true },
                { tag: "409 with error", status: 409, body: '{"error":"Email already registered"}',
                  ok: false, error: "Email already registered" },
                { tag: "409 empty error", status: 409, body: '{"error":""}', ok: false,
                  error: "Registration failed" },
                { tag: "400 without error", status: 400, body: "{}", ok: false,
                  error: "Registration failed" },
                { tag: "500 not JSON", status: 500, body: "Internal Server Error", ok: false,
                  error: "The Velto service had a problem (status 500); try again later." },
                { tag: "204", status: 204, body: "", ok: true }
            ]
        }

        function test_registerAnswers(row) {
            v.mode = "register"
            el("fullNameField").text = "Asha"
            fill("asha@velto.test", "12345678")
            submit()
            compare(el("submitButton").text, "Working…")
            win.answer("POST", "api/auth/register", row.status, row.body)
            compare(el("submitButton").enabled, true)
            if (row.ok) {
                compare(v.mode, "login")
                compare(el("noticeLabel").text, "Account created — verify your email, then sign in.")
                compare(el("errorLabel").text, "")
            } else {
                compare(v.mode, "register")
                compare(el("errorLabel").text, row.error)
                compare(el("noticeLabel").text, "")
            }
            // whatever the outcome, what was typed stays
            compare(el("emailField").text, "asha@velto.test")
            compare(el("passwordField").text, "12345678")
            compare(el("fullNameField").text, "Asha")
        }

        function test_signIn() {
            fill("asha@velto.test", "12345678")
            submit()
            win.answer("POST", "api/auth/login", 200, '{"ok":true}')
            // still working while the session is fetched
            compare(el("submitButton").text, "Working…")
            compare(el("submitButton").enabled, false)
            var me = win.lastCall()
            compare(me.method, "GET")
            compare(me.path, "api/auth/me")
            compare(me.body, "{}")
            compare(loggedInSpy.count, 0)
            win.answer("GET", "api/auth/me", 200, { user: { id: 3, role: "freelancer", email: "asha@velto.test" } })
            compare(loggedInSpy.count, 1)
            compare(loggedInSpy.signalArguments[0][0].id, 3)
            compare(loggedInSpy.signalArguments[0][0].role, "freelancer")
            compare(el("submitButton").text, "Sign in")
        }

        function test_signInFailures_data() {
            return [
                { tag: "refused with error", status: 401, body: '{"error":"Invalid email or password"}',
                  error: "Invalid email or password" },
                { tag: "two-factor asked", status: 401, body: '{"error":"Two-factor code required"}',
                  error: "Two-factor code required" },
                { tag: "refused without body", status: 401, body: "", error: "Invalid credentials" },
                { tag: "503 without error", status: 503, body: "", 
                  error: "The Velto service had a problem (status 503); try again later." },
                { tag: "500 with error", status: 500, body: '{"error":"Database busy"}',
                  error: "Database busy" },
                { tag: "no answer", status: 0, body: "Connection refused",
                  error: "Cannot reach the Velto service" },
                { tag: "me refused", status: 200, body: "{}", meStatus: 401,
                  meBody: '{"error":"Not signed in"}', error: "Signed in but no session" },
                { tag: "me without user", status: 200, body: "{}", meStatus: 200, meBody: "{}",
                  error: "Signed in but no session" },
                { tag: "me with null user", status: 200, body: "{}", meStatus: 200,
                  meBody: '{"user":null}', error: "Signed in but no session" },
                { tag: "me with a number for user", status: 200, body: "{}", meStatus: 200,
                  meBody: '{"user":7}', error: "Signed in but no session" },
                { tag: "me with false for user", status: 200, body: "{}", meStatus: 200,
                  meBody: '{"user":false}', error: "Signed in but no session" },
                { tag: "me no answer", status: 200, body: "{}", meStatus: 0, meBody: "Timed out",
                  error: "Signed in but no session" }
            ]
        }

        function test_signInFailures(row) {
            fill("asha@velto.test", "12345678", "123456")
            submit()
            win.answer("POST", "api/auth/login", row.status, row.body)
            if (row.meStatus !== undefined)
                win.answer("GET", "api/auth/me", row.meStatus, row.meBody)
            else
                compare(win.calls.length, 1)
            compare(el("errorLabel").text, row.error)
            compare(loggedInSpy.count, 0)
            compare(el("submitButton").enabled, true)
            compare(el("emailField").text, "asha@velto.test")
            compare(el("passwordField").text, "12345678")
            compare(el("totpField").text, "123456")
        }

        function test_resetAnswers_data() {
            return [
                { tag: "200", status: 200, body: "{}" },
                { tag: "404 with error", status: 404, body: '{"error":"No such user"}' },
                { tag: "500", status: 500, body: "" }
            ]
        }

        function test_resetAnswers(row) {
            v.mode = "forgot"
            fill("a@b.c", "")
            submit()
            win.answer("POST", "api/auth/forgot-password", row.status, row.body)
            compare(v.mode, "login")
            compare(el("noticeLabel").text, "If that account exists, a reset link was emailed.")
            compare(el("errorLabel").text, "")
            compare(el("submitButton").text, "Sign in")
        }

        function test_resetWithoutAnswerSaysSo() {
            v.mode = "forgot"
            fill("a@b.c", "")
            submit()
            win.answer("POST", "api/auth/forgot-password", 0, "Connection refused")
            compare(v.mode, "forgot")
            compare(el("noticeLabel").text, "")
            compare(el("errorLabel").text, "Cannot reach the Velto service")
            compare(el("submitButton").enabled, true)
        }

        function test_busyBlocksResubmission() {
            fill("a@b.c", "12345678")
            submit()
            var b = el("submitButton")
            compare(b.text, "Working…")
            compare(b.enabled, false)
            mouseClick(b)
            el("passwordField").forceActiveFocus()
            keyClick(Qt.Key_Return)
            compare(win.calls.length, 1)
            // a mode switch leaves the request running
            click("registerLink")
            compare(b.text, "Working…")
            win.answer("POST", "api/auth/login", 401, "")
            compare(b.text, "Create account")
            compare(b.enabled, true)
        }

        function test_enterSubmits_data() {
            return [
                { tag: "in password", field: "passwordField" },
                { tag: "in email", field: "emailField" },
                { tag: "in 2FA", field: "totpField" }
            ]
        }

        function test_enterSubmits(row) {
            fill("a@b.c", "1234567")
            mouseClick(el(row.field))
            keyClick(Qt.Key_Return)
            compare(win.calls.length, 0, "Enter must not submit while the button is disabled")
            click("passwordField")
            keyClick(Qt.Key_End)
            keyClick(Qt.Key_8)
            compare(el("passwordField").text, "12345678")
            mouseClick(el(row.field))
            keyClick(Qt.Key_Enter)
            compare(win.calls.length, 1)
            compare(win.lastCall().body, '{"email":"a@b.c","password":"12345678"}')
        }

        function test_enterSubmitsRegistration() {
            v.mode = "register"
            fill("a@b.c", "12345678")
            el("fullNameField").text = "Asha"
            click("fullNameField")
            keyClick(Qt.Key_Return)
            compare(win.lastCall().path, "api/auth/register")
            compare(JSON.parse(win.lastCall().body).fullName, "Asha")
        }

        function test_modeTransitionsKeepFields() {
            el("fullNameField").text = "Asha"
            fill("a@b.c", "12345678", "654321")
            compare(v.mode, "login")
            click("registerLink")
            compare(v.mode, "register")
            click("registerLink")
            compare(v.mode, "login")
            click("forgotLink")
            compare(v.mode, "forgot")
            click("forgotLink")
            compare(v.mode, "login")
            click("registerLink")
            click("forgotLink")
            compare(v.mode, "forgot")
            click("registerLink")
            compare(v.mode, "register")
            compare(el("fullNameField").text, "Asha")
            compare(el("emailField").text, "a@b.c")
            compare(el("passwordField").text, "12345678")
            compare(el("totpField").text, "654321")
            compare(win.calls.length, 0)
        }

        function test_modeSwitchClearsTheErrorButNotTheNotice() {
            v.mode = "register"
            fill("a@b.c", "12345678")
            submit()
            win.answerLast(201, "")
            fill("a@b.c", "12345678")
            submit()
            win.answerLast(401, '{"error":"Email not verified"}')
            compare(el("errorLabel").text, "Email not verified")
            compare(el("noticeLabel").text, "") // cleared by the submission
            v.mode = "register"
            submit()
            win.answerLast(200, "")
            compare(el("noticeLabel").text, "Account created — verify your email, then sign in.")
            el("emailField").text = "@bad"
            click("forgotLink")
            compare(el("noticeLabel").text, "Account created — verify your email, then sign in.")
            el("emailField").text = "a@b.c"
            submit()
            win.answerLast(0, "")
            compare(el("errorLabel").text, "Cannot reach the Velto service")
            click("forgotLink")
            compare(el("errorLabel").text, "")
            compare(el("errorLabel").visible, false)
        }
    }
}
