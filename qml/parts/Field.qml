pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../focus.js" as Focus
import "../money.js" as Money

// A single-line field, named for assistive technology by its placeholder. A `digits` field keeps
// only the ASCII digits of what is typed or pasted into it, so the number its form's enable rule
// reads is the text that is sent.
TextField {
    id: field

    property bool digits: false

    Layout.fillWidth: true
    selectByMouse: true
    inputMethodHints: digits ? Qt.ImhDigitsOnly : Qt.ImhNone
    Accessible.role: Accessible.EditableText
    Accessible.name: placeholderText
    // While its attached passwordEdit flag is set, Qt tells a reader no name at all; the echo mode
    // alone already makes a password field "password text" to the reader. Cleared, the password
    // field is named too.
    Accessible.onPasswordEditChanged: if (Accessible.passwordEdit) Accessible.passwordEdit = false
    onActiveFocusChanged: if (activeFocus) Focus.reveal(field)

    onTextChanged: {
        if (!digits)
            return
        var kept = Money.digitsOnly(text)
        if (kept === text)
            return
        var caret = Money.digitsOnly(text.substring(0, cursorPosition)).length
        text = kept
        cursorPosition = Math.min(caret, kept.length)
    }
}
