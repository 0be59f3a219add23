pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../palette.js" as Palette

// A multi-line field of a dialog. Tab and Shift+Tab move to the next and previous field
// instead of typing a tab, so a dialog is walked in reading order.
ScrollView {
    id: box

    property alias text: area.text
    property alias placeholderText: area.placeholderText
    property alias wrapMode: area.wrapMode
    property alias area: area

    Layout.fillWidth: true
    Layout.preferredHeight: 90
    activeFocusOnTab: false
    // Drawn like the single-line fields (TextArea has no background of its own in this style).
    background: Rectangle {
        color: box.palette.base
        border.color: area.activeFocus ? Palette.accent : box.palette.mid
        radius: 2
    }

    TextArea {
        id: area
        objectName: box.objectName + "Area"
        wrapMode: TextArea.Wrap
        selectByMouse: true
        Accessible.name: placeholderText
        Keys.onTabPressed: nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)
        Keys.onBacktabPressed: nextItemInFocusChain(false).forceActiveFocus(Qt.BacktabFocusReason)
    }

    function forceActiveFocus() {
        area.forceActiveFocus()
    }
}
