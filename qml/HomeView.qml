import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Item {
    id: root
    objectName: "HomeView"
    signal loggedOut()
}
