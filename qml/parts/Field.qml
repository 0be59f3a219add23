import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// A single-line field, named for assistive technology by its placeholder. `digits` gives it the
// digits-only input hint, which does not filter what is typed.
TextField {
    property bool digits: false

    Layout.fillWidth: true
    selectByMouse: true
    inputMethodHints: digits ? Qt.ImhDigitsOnly : Qt.ImhNone
    Accessible.name: placeholderText
}
