import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Item {
    id: v
    objectName: "MoreView"
}
