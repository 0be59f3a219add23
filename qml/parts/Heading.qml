pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import "../palette.js" as Palette
import "../sizes.js" as Sizes

// A page or section title: white and bold, 20 pixels (18 on detail pages and sections), and a
// heading to a screen reader. A Text, not a Label: a Label tells the reader it is plain text
// whatever role it is given.
Text {
    Layout.fillWidth: true
    color: Palette.text
    font.pixelSize: Sizes.title
    font.bold: true
    elide: Text.ElideRight
    // Titles are often other people's words: never read them as markup.
    textFormat: Text.PlainText
    Accessible.role: Accessible.Heading
    Accessible.name: text
}
