import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "outcome.js" as Outcome

// The signed-out page: one form for signing in, creating an account and asking for a reset mail.
Item {
    id: root
    objectName: "LoginView"

    // "login", "register" or "forgot"
    property string mode: "login"
    signal loggedIn(var u)

    // Shown when a request got no HTTP answer at all (status 0).
    readonly property string unreachableText: "Cannot reach the Velto service"

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
        submit.busy = true
        errorLabel.text = ""
        noticeLabel.text = ""
        var email = emailField.text.trim()

        if (mode === "register") {
            win.call("POST", "api/auth/register", {
                email: email,
                password: passwordField.text,
                fullName: fullNameField.text.trim(),
                role: rolePicker.role,
                termsAccepted: true,
                privacyAccepted: true
            }, function (status, data) {
                submit.busy = false
                if (status === 200 || status === 201) {
                    noticeLabel.text = "Account created — verify your email, then sign in."
                    root.mode = "login"
                } else {
                    errorLabel.text = Outcome.failText(data, "Registration failed")
                }
            })
        } else if (mode === "forgot") {
            win.call("POST", "api/auth/forgot-password", { email: email }, function (status) {
                submit.busy = false
                if (status === 0) {
                    // Nothing was sent: say so instead of claiming a mail went out, and stay
                    // here so the request can be repeated.
                    errorLabel.text = root.unreachableText
                    return
                }
                noticeLabel.text = "If that account exists, a reset link was emailed."
                root.mode = "login"
            })
        } else {
            var body = { email: email, password: passwordField.text }
            if (totpField.text.length > 0)
                body.totpCode = totpField.text
            win.call("POST", "api/auth/login", body, function (status, data) {
                if (status !== 200) {
                    submit.busy = false
                    errorLabel.text = status === 0 ? root.unreachableText
                                                   : Outcome.failText(data, "Invalid credentials")
                    return
                }
                win.call("GET", "api/auth/me", null, function (meStatus, me) {
                    submit.busy = false
                    if (meStatus === 200 && me !== null && me.user !== undefined && me.user !== null)
                        root.loggedIn(me.user)
                    else
                        errorLabel.text = "Signed in but no session"
                })
            })
        }
    }

    Rectangle {
        anchors.fill: parent
        color: "#0F1B4D"
    }

    Item {
        id: rolePicker
        visible: false
        property string role: "freelancer"
    }

    ColumnLayout {
        objectName: "form"
        width: 380
        anchors.centerIn: parent
        spacing: 12

        Label {
            objectName: "titleLabel"
            text: "Velto"
            color: "white"
            font.pixelSize: 34
            font.bold: true
        }

        Label {
            objectName: "subtitleLabel"
            color: "#9DB0E8"
            text: root.mode === "register" ? "Create your account"
                : root.mode === "forgot" ? "Reset your password"
                : "Sign in — native Qt6 client"
        }

        TextField {
            id: fullNameField
            objectName: "fullNameField"
            Layout.fillWidth: true
            visible: root.mode === "register"
            placeholderText: "Full name"
            onAccepted: root.submitForm()
        }

        RowLayout {
            objectName: "roleRow"
            visible: root.mode === "register"
            spacing: 12

            RadioButton {
                objectName: "freelancerRadio"
                text: "Freelancer"
                checked: rolePicker.role === "freelancer"
                onClicked: rolePicker.role = "freelancer"
            }
            RadioButton {
                objectName: "clientRadio"
                text: "Client"
                checked: rolePicker.role === "client"
                onClicked: rolePicker.role = "client"
            }
        }

        TextField {
            id: emailField
            objectName: "emailField"
            Layout.fillWidth: true
            placeholderText: "Email"
            onAccepted: root.submitForm()
        }

        TextField {
            id: passwordField
            objectName: "passwordField"
            Layout.fillWidth: true
            visible: root.mode !== "forgot"
            placeholderText: "Password"
            echoMode: TextInput.Password
            onAccepted: root.submitForm()
        }

        TextField {
            id: totpField
            objectName: "totpField"
            Layout.fillWidth: true
            visible: root.mode === "login"
            placeholderText: "2FA code (if enabled)"
            inputMethodHints: Qt.ImhDigitsOnly
            onAccepted: root.submitForm()
        }

        Label {
            id: errorLabel
            objectName: "errorLabel"
            Layout.fillWidth: true
            visible: text !== ""
            color: "#FF8A80"
            wrapMode: Text.WordWrap
        }

        Label {
            id: noticeLabel
            objectName: "noticeLabel"
            Layout.fillWidth: true
            visible: text !== ""
            color: "#6E97FF"
            wrapMode: Text.WordWrap
        }

        Button {
            id: submit
            objectName: "submitButton"
            Layout.fillWidth: true
            property bool busy: false
            enabled: !busy
                     && emailField.text.indexOf("@") > 0
                     && (root.mode === "forgot" || passwordField.text.length >= 8)
            text: busy ? "Working…"
                : root.mode === "register" ? "Create account"
                : root.mode === "forgot" ? "Send reset link"
                : "Sign in"
            onClicked: root.submitForm()
        }

        RowLayout {
            Layout.fillWidth: true

            Button {
                objectName: "registerLink"
                flat: true
                text: root.mode === "register" ? "Have an account? Sign in" : "New here? Register"
                onClicked: root.switchLeft()
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "forgotLink"
                flat: true
                text: root.mode === "forgot" ? "Back" : "Forgot password?"
                onClicked: root.switchRight()
            }
        }
    }
}
