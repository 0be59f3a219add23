pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../focus.js" as Focus

// A single-line field, named for assistive technology by its placeholder. A `digits` field shows
// exactly what was typed or pasted, and its form reads `value`, for its enable rule and for the
// body alike: the digits, without the blanks and commas that group them ("2,50,000", " 800").
// Anything else (a decimal point, a letter, digits of another script) is no value at all: `value`
// is empty, `acceptable` false, which keeps the form from being sent, and a line under the field
// says what it takes. Nothing typed is ever changed, so nobody sends 80050 for "800.50".
TextField {
    id: field

    property bool digits: false
    // What a digits field takes, in words, shown under it while it holds anything else.
    property string digitsHint: "Whole rupees in digits"
    readonly property bool acceptable: !digits || /^[0-9, ]*$/.test(text)
    readonly property string value: !digits ? text : acceptable ? text.replace(/[, ]/g, "") : ""

    Layout.fillWidth: true
    // Room for the line under the field, so it never covers the next one; a field beside it in
    // a row stays level with it.
    Layout.bottomMargin: hint.visible ? hint.height + 2 : 0
    Layout.alignment: Qt.AlignTop
    selectByMouse: true
    inputMethodHints: digits ? Qt.ImhDigitsOnly : Qt.ImhNone
    Accessible.role: Accessible.EditableText
    Accessible.name: placeholderText
    Accessible.description: hint.visible ? hint.text : ""
    // While its attached passwordEdit flag is set, Qt tells a reader no name at all; the echo mode
    // alone already makes a password field "password text" to the reader. Cleared, the password
    // field is named too.
    Accessible.onPasswordEditChanged: if (Accessible.passwordEdit) Accessible.passwordEdit = false
    onActiveFocusChanged: if (activeFocus) Focus.reveal(field)

    Line {
        id: hint
        objectName: field.objectName + "Hint"
        y: field.height + 2
        width: field.width
        kind: "alarm"
        visible: !field.acceptable
        text: field.digitsHint
    }
}
