pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "outcome.js" as Outcome
import "palette.js" as Palette
import "roles.js" as Roles
import "sizes.js" as Sizes
import "wording.js" as Wording
import "parts"

// The signed-out page: one form for signing in, creating an account and asking for a reset mail.
// A focus scope whose e-mail field has the keyboard when the page is shown, so the first keys
// typed are not lost.
FocusScope {
    id: root
    objectName: "LoginView"

    // "login", "register" or "forgot"
    property string mode: "login"
    // A notice to show on arrival (the session that ended).
    property alias notice: noticeLabel.text
    signal loggedIn(var u)

    // What must hold before the form is sent, in the order of the fields; the first not met is
    // named beside the button.
    readonly property var rules: [Limits.email(emailField.text),
                                  root.mode === "forgot"
                                  || Limits.chars("Password", passwordField.text, Limits.password),
                                  root.mode !== "login" || Limits.typed("Code", totpField)]

    Component.onCompleted: forceActiveFocus()
    StackView.onActivated: forceActiveFocus()

    function switchLeft() {
        mode = (mode === "register") ? "login" : "register"
        errorLabel.text = ""
    }

    function switchRight() {
        mode = (mode === "forgot") ? "login" : "forgot"
        errorLabel.text = ""
    }

    // Runs on a click of the submit button and on Enter in any field; does nothing while the
    // button is disabled.
    function submitForm() {
        if (!submit.enabled)
            return
        errorLabel.text = ""
        noticeLabel.text = ""
        var email = emailField.text.trim()

        if (mode === "register") {
            writer.send("POST", "api/auth/register", {
                email: email,
                password: passwordField.text,
                fullName: fullNameField.text.trim(),
                role: rolePicker.role,
                termsAccepted: true,
                privacyAccepted: true
            }, function (ok, data, status, raw) {
                if (ok) {
                    noticeLabel.text = "Account created — verify your email, then sign in."
                    root.mode = "login"
                } else {
                    errorLabel.text = Wording.failure(status, data, raw, "Registration failed")
                }
            })
        } else if (mode === "forgot") {
            writer.send("POST", "api/auth/forgot-password", { email: email },
                        function (ok, data, status, raw) {
                // Only a request the service took is one it may have mailed for; anything else
                // (no answer, a failing service, "too many") stays here to be repeated.
                if (!ok) {
                    errorLabel.text = Wording.failure(status, data, raw)
                    return
                }
                noticeLabel.text = "If that account exists, a reset link was emailed."
                root.mode = "login"
            })
        } else {
            var body = { email: email, password: passwordField.text }
            if (totpField.value.length > 0)
                body.totpCode = totpField.value
            // The session is asked for at once, so the form stays busy from one step to the next.
            // A refusal the service does not word is taken for wrong credentials; a failing
            // service is never reported as a wrong password.
            writer.send("POST", "api/auth/login", body, function (ok, data, status, raw) {
                if (!ok) {
                    errorLabel.text = Wording.failure(status, data, raw, "Invalid credentials")
                    return
                }
                writer.send("GET", "api/auth/me", null, function (meOk, me, meStatus) {
                    var u = Outcome.userOf(meStatus, me)
                    if (u !== null)
                        root.loggedIn(u)
                    else
                        errorLabel.text = "Signed in but no session"
                })
            })
        }
    }

    Writer {
        id: writer
        tellsUnknown: false
    }
    Session {
        id: session
    }

    Rectangle {
        anchors.fill: parent
        color: Palette.window
    }

    Item {
        id: rolePicker
        visible: false
        property string role: Roles.freelancer
    }

    ColumnLayout {
        objectName: "form"
        width: 380
        anchors.centerIn: parent
        spacing: 12

        Heading {
            objectName: "titleLabel"
            text: "Velto"
            font.pixelSize: Sizes.brand
        }

        Label {
            objectName: "subtitleLabel"
            color: Palette.secondary
            text: root.mode === "register" ? "Create your account"
                : root.mode === "forgot" ? "Reset your password"
                : "Sign in — native Qt6 client"
        }

        Field {
            id: fullNameField
            objectName: "fullNameField"
            visible: root.mode === "register"
            placeholderText: "Full name"
            onAccepted: root.submitForm()
        }

        RowLayout {
            objectName: "roleRow"
            visible: root.mode === "register"
            spacing: 12

            Choice {
                objectName: "freelancerRadio"
                text: "Freelancer"
                checked: rolePicker.role === Roles.freelancer
                onClicked: rolePicker.role = Roles.freelancer
            }
            Choice {
                objectName: "clientRadio"
                text: "Client"
                checked: rolePicker.role === Roles.client
                onClicked: rolePicker.role = Roles.client
            }
        }

        Field {
            id: emailField
            objectName: "emailField"
            focus: true
            placeholderText: "Email"
            onAccepted: root.submitForm()
        }

        Field {
            id: passwordField
            objectName: "passwordField"
            visible: root.mode !== "forgot"
            placeholderText: "Password"
            echoMode: TextInput.Password
            onAccepted: root.submitForm()
        }

        Field {
            id: totpField
            objectName: "totpField"
            visible: root.mode === "login"
            placeholderText: "2FA code (if enabled)"
            digits: true
            digitsHint: "Digits only"
            onAccepted: root.submitForm()
        }

        // While the stored sign-in could not be checked: the service is away; the window keeps
        // asking, and signs in by itself once it answers.
        RowLayout {
            objectName: "serviceDownRow"
            Layout.fillWidth: true
            visible: session.window.serviceDown
            spacing: 8
            Line {
                objectName: "serviceDownLine"
                kind: "alarm"
                text: Wording.unreachable + " — trying again every few seconds."
                Accessible.role: Accessible.AlertMessage
            }
            SteadyButton {
                objectName: "resumeButton"
                text: "Try again"
                onClicked: session.window.resume()
            }
        }

        Line {
            id: errorLabel
            objectName: "errorLabel"
            kind: "alarm"
            visible: text !== ""
            font.pixelSize: Sizes.plain
            Accessible.role: Accessible.AlertMessage
        }

        Line {
            id: noticeLabel
            objectName: "noticeLabel"
            visible: text !== ""
            color: Palette.accent
            font.pixelSize: Sizes.plain
        }

        Line {
            objectName: "whyLabel"
            visible: text !== ""
            text: Limits.why(root.rules)
        }

        SteadyButton {
            id: submit
            objectName: "submitButton"
            Layout.fillWidth: true
            enabled: !writer.busy && root.rules.every(rule => Limits.holds(rule))
            Accessible.description: Limits.why(root.rules)
            text: writer.busy ? "Working…"
                : root.mode === "register" ? "Create account"
                : root.mode === "forgot" ? "Send reset link"
                : "Sign in"
            onClicked: root.submitForm()
        }

        RowLayout {
            Layout.fillWidth: true

            SteadyButton {
                objectName: "registerLink"
                flat: true
                text: root.mode === "register" ? "Have an account? Sign in" : "New here? Register"
                onClicked: root.switchLeft()
            }
            Item {
                Layout.fillWidth: true
            }
            SteadyButton {
                objectName: "forgotLink"
                flat: true
                text: root.mode === "forgot" ? "Back" : "Forgot password?"
                onClicked: root.switchRight()
            }
        }
    }
}
