pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "../palette.js" as Palette
import "../sizes.js" as Sizes

// A line of a card or page, by kind: "secondary" (12 px, wrapped), "meta" (11 px, muted),
// "accent" (11 px, accent), "alarm" (12 px, alarm colour, wrapped) or "plain" (white).
Label {
    property string kind: "secondary"

    Layout.fillWidth: true
    // Lines carry other people's words: never read them as markup (an <img> would be fetched).
    textFormat: Text.PlainText
    wrapMode: kind === "meta" || kind === "accent" ? Text.NoWrap : Text.WordWrap
    elide: wrapMode === Text.NoWrap ? Text.ElideRight : Text.ElideNone
    font.pixelSize: kind === "meta" || kind === "accent" ? Sizes.meta
                                                      : (kind === "plain" ? Sizes.plain : Sizes.secondary)
    color: ({ secondary: Palette.secondary, meta: Palette.muted, accent: Palette.accent,
              alarm: Palette.alarm, plain: Palette.text })[kind] || Palette.secondary
}
