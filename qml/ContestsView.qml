pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "dates.js" as Dates
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "value.js" as Value
import "sizes.js" as Sizes
import "parts"

// Contests: clients post them with an escrowed prize and award or cancel them; freelancers enter
// open ones. A list page of all (or the client's own) contests and a detail page with the entries.
Item {
    id: v
    objectName: "ContestsView"

    property alias items: listPage.items
    property var detail: null
    property bool mine: false
    property bool showCreate: false
    property bool showEnter: false

    readonly property var contest: v.detail && v.detail.contest && typeof v.detail.contest === "object"
                                   ? v.detail.contest : null
    readonly property bool host: !!v.detail && v.detail.isHost === true
    readonly property bool isOpen: v.contest !== null && v.contest.status === "open"
    readonly property bool canEnter: v.isOpen && !v.host && session.isFreelancer
    readonly property string contestPath: v.contest ? "api/contests/" + Outcome.seg(v.contest.id)
                                                    : ""

    // Fetches the page in front again: the contest while it is shown, else the list.
    function load() {
        if (contest !== null)
            open(contest.id)
        else
            listPage.reload()
    }

    // The newest open wins: a slower answer for a contest clicked before is dropped.
    function open(id) {
        opener.get("api/contests/" + Outcome.seg(id), function (data) {
            v.detail = data
        })
    }

    // Back to the list; a detail load still under way would otherwise reopen the page.
    function closeDetail() {
        opener.drop()
        detail = null
        load()
    }

    Latest {
        id: opener
        expects: ({ contest: "record", entries: "list" })
    }
    Session {
        id: session
    }

    ListPage {
        id: listPage
        objectName: "listPage"
        anchors.fill: parent
        visible: v.detail === null
        title: "Contests"
        path: v.mine ? "api/contests?mine=1" : "api/contests"
        member: "contests"
        alsoBusy: opener.busy
        above: FailureLine {
            objectName: "openFailure"
            source: opener
        }

        SteadyButton {
            objectName: "modeButton"
            visible: session.isClient
            text: v.mine ? "All contests" : "My contests"
            onClicked: {
                v.mine = !v.mine
                v.load()
            }
        }
        SteadyButton {
            objectName: "postButton"
            visible: session.isClient
            text: "+ Post contest"
            onClicked: v.showCreate = true
        }

        delegate: Card {
            id: card
            objectName: "contestCard_" + index
            clickable: true
            spacing: 3
            title: Value.text(modelData.title)
            trailing: Money.rupees(modelData.prize_paise)
            onClicked: v.open(modelData.id)

            Line {
                objectName: "contestMeta_" + card.index
                kind: "meta"
                text: Value.line([Value.counted(card.modelData.entries_count, " entries"),
                                  Value.text(card.modelData.status),
                                  Value.framed("closes ", Dates.day(card.modelData.deadline))])
            }
        }
    }

    ListPage {
        id: detailPage
        objectName: "detailPage"
        anchors.fill: parent
        visible: v.detail !== null
        backText: "← Back"
        title: v.contest ? Value.text(v.contest.title) : ""
        titleSize: Sizes.subtitle
        items: v.detail ? Value.rows(v.detail.entries) : []
        onBack: v.closeDetail()
        alsoBusy: opener.busy

        above: [
            FailureLine {
                objectName: "contestFailure"
                source: opener
            },
            Line {
                objectName: "briefLine"
                text: v.contest ? Value.paragraph(v.contest.brief) : ""
            },
            Line {
                objectName: "prizeLine"
                kind: "accent"
                font.bold: true
                text: v.contest ? Value.line([
                                      Value.framed("", Money.rupees(v.contest.prize_paise), " prize"),
                                      Value.text(v.contest.status)]) : ""
            },
            // Hidden when empty: an empty row layout would take the height the entries need.
            RowLayout {
                visible: v.canEnter || v.host && v.isOpen
                spacing: 8
                SteadyButton {
                    objectName: "submitEntryButton"
                    visible: v.canEnter
                    text: "Submit entry"
                    onClicked: v.showEnter = true
                }
                ActionButton {
                    objectName: "cancelContestButton"
                    visible: v.host && v.isOpen
                    text: "Cancel contest"
                    path: v.contestPath + "/cancel"
                    successText: "Cancelled — refunded"
                    onDone: ok => {
                        if (ok)
                            v.closeDetail()
                    }
                }
            }
        ]

        delegate: Card {
            id: entry
            objectName: "entryCard_" + index
            spacing: 3
            title: (modelData.is_winner === true ? "🏆 " : "") + Value.text(modelData.title)

            Line {
                objectName: "entrantLine_" + entry.index
                kind: "meta"
                visible: v.host && text !== ""
                text: Value.framed("by ", Value.text(entry.modelData.display_name))
            }
            Line {
                text: Value.paragraph(entry.modelData.description)
            }
            Line {
                objectName: "attachmentLine_" + entry.index
                kind: "accent"
                visible: text !== ""
                text: Value.text(entry.modelData.attachment_url)
            }
            ActionButton {
                objectName: "awardButton_" + entry.index
                visible: v.host && v.isOpen
                text: "Award winner"
                path: v.contestPath + "/award"
                body: ({ entryId: entry.modelData.id })
                successText: "Awarded — prize paid"
                onDone: ok => {
                    if (ok && v.contest)
                        v.open(v.contest.id)
                }
            }
        }
    }

    FormDialog {
        objectName: "createDialog"
        title: "Post a contest"
        shown: v.showCreate
        submitText: "Escrow & publish"
        rules: [Limits.chars("Title", titleField.text.trim(), Limits.contestTitle),
                Limits.chars("Brief", brief.text.trim(), Limits.contestBrief),
                Limits.rupees("Prize", prize.value, Limits.contestPrize),
                Limits.typed("Days", days)]
        onOpening: {
            titleField.text = ""
            brief.text = ""
            prize.text = ""
            days.text = "14"
        }
        onDismiss: v.showCreate = false
        onSubmit: send("POST", "api/contests", {
                           title: titleField.text.trim(),
                           brief: brief.text.trim(),
                           prize: prize.value,
                           deadlineDays: Money.intOr(days.value, 14)
                       }, "Published — prize escrowed", function () {
                           v.showCreate = false
                           v.mine = true
                           v.load()
                       })

        Line {
            text: "Prize + your plan fee are escrowed from your wallet now."
        }
        Field {
            id: titleField
            objectName: "titleField"
            placeholderText: "Title (min " + Limits.contestTitle + ")"
        }
        TextBox {
            id: brief
            objectName: "briefField"
            placeholderText: "Brief (min " + Limits.contestBrief + ")"
            wrapMode: TextArea.NoWrap
        }
        RowLayout {
            spacing: 8
            Field {
                id: prize
                objectName: "prizeField"
                placeholderText: "Prize ₹ (min " + Limits.contestPrize + ")"
                digits: true
            }
            Field {
                id: days
                objectName: "daysField"
                placeholderText: "Days"
                digits: true
                digitsHint: "Whole days in digits"
                Layout.fillWidth: false
                Layout.preferredWidth: 90
            }
        }
    }

    FormDialog {
        objectName: "entryDialog"
        title: "Submit your entry"
        shown: v.showEnter
        rules: [Limits.chars("Entry title", entryTitle.text.trim(), Limits.entryTitle),
                Limits.chars("Description", description.text.trim(), Limits.entryDescription)]
        onOpening: {
            entryTitle.text = ""
            description.text = ""
            url.text = ""
        }
        onDismiss: v.showEnter = false
        onSubmit: {
            var id = v.contest.id
            send("POST", v.contestPath + "/entries", {
                     title: entryTitle.text.trim(),
                     description: description.text.trim(),
                     attachmentUrl: url.text.trim()
                 }, "Entry submitted", function () {
                     v.showEnter = false
                     v.open(id)
                 })
        }

        Field {
            id: entryTitle
            objectName: "entryTitleField"
            placeholderText: "Entry title"
        }
        TextBox {
            id: description
            objectName: "descriptionField"
            placeholderText: "Description (min " + Limits.entryDescription + ")"
            wrapMode: TextArea.NoWrap
        }
        Field {
            id: url
            objectName: "urlField"
            placeholderText: "Work URL (optional)"
        }
    }
}
