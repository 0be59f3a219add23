pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "palette.js" as Palette
import "sizes.js" as Sizes
import "value.js" as Value
import "parts"

// The gig orders the user buys or sells, and one order's page where both sides move it through
// its lifecycle and exchange messages.
Item {
    id: v
    objectName: "GigOrdersView"

    property alias orders: page.items
    property var detail: null
    property string noteKind: ""
    property int reviewScore: 5

    readonly property var order: detail && detail.order && typeof detail.order === "object"
                                 ? detail.order : null
    readonly property bool isClientSide: order !== null && v.isClientOf(order)
    readonly property var actions: order ? v.actionsFor(order.status, isClientSide,
                                                        Value.count(order.review_score) > 0) : []

    readonly property var noteTitles: ({
        deliver: "Deliver work",
        revision: "Request revision",
        cancel: "Cancel order"
    })

    // Fetches the page in front again: the order while it is shown, else the list.
    function load() {
        if (order !== null)
            open(order.id)
        else
            page.reload()
    }

    function isClientOf(o) {
        return !!session.user && session.user.id === o.client_id
    }

    // What each side may do to an order in each status; any other status offers nothing. An
    // order is reviewed once: a completed one that has its score offers no review.
    function actionsFor(status, client, reviewed) {
        var table = {
            pending: [["accept", "cancel"], ["cancel"]],
            active: [["deliver", "cancel"], ["cancel"]],
            revision: [["deliver"], []],
            delivered: [[], ["complete", "revision"]],
            completed: [[], reviewed ? [] : ["review"]]
        }
        return table.hasOwnProperty(status) ? table[status][client ? 1 : 0] : []
    }

    function orderPath(id) {
        return "api/gig-orders/" + Outcome.seg(id)
    }

    // The newest open wins: a slower answer for an order clicked before is dropped.
    function open(id) {
        opener.get(orderPath(id), function (data) {
            v.detail = data
        })
    }

    function back() {
        opener.drop() // a detail still loading would pull the user back onto the page just left
        detail = null
        messageField.text = "" // a draft belongs to the order it was typed for
        load()
    }

    function openNote(kind) {
        if (kind === "review")
            reviewScore = 5
        noteKind = kind
    }

    function noteBody(kind, text) {
        if (kind === "review")
            return { score: reviewScore, review: text }
        if (kind === "cancel")
            return { reason: text }
        return { note: text }
    }

    // One message per press: nothing more is sent while it is on its way.
    function sendMessage() {
        if (!sendButton.enabled)
            return
        var id = order.id
        messenger.send("POST", orderPath(id) + "/messages", { body: messageField.text.trim() },
                       function (ok) {
                           if (!ok) {
                               session.toast("Failed")
                           } else if (v.order !== null && v.order.id === id) {
                               messageField.text = ""
                               v.open(id)
                           }
                       })
    }

    Latest {
        id: opener
        expects: ({ order: "record", messages: "list" })
    }
    Session {
        id: session
    }
    Writer {
        id: messenger
    }

    ListPage {
        id: page
        objectName: "listPage"
        anchors.fill: parent
        visible: v.detail === null
        title: "Gig orders"
        path: "api/gig-orders"
        member: "orders"
        alsoBusy: opener.busy
        above: FailureLine {
            objectName: "openFailure"
            source: opener
        }

        delegate: Card {
            id: card
            objectName: "orderCard_" + index
            title: Value.text(modelData.gig_title)
            trailing: Value.text(modelData.status)
            trailingBold: false
            clickable: true
            onClicked: v.open(modelData.id)

            Line {
                objectName: "orderLine_" + card.index
                font.pixelSize: Sizes.meta
                text: Value.line([Value.text(card.modelData.package_tier),
                                  Money.rupees(card.modelData.price_paise),
                                  Value.text(v.isClientOf(card.modelData)
                                             ? card.modelData.freelancer_name
                                             : card.modelData.client_name)])
            }
        }
    }

    ListPage {
        id: detailPage
        objectName: "detailPage"
        anchors.fill: parent
        visible: v.detail !== null
        backText: "← Back"
        title: v.order ? Value.text(v.order.gig_title) : ""
        titleSize: Sizes.subtitle
        items: v.detail ? Value.rows(v.detail.messages) : []
        list.spacing: 6
        onBack: v.back()
        alsoBusy: opener.busy

        above: [
            Line {
                objectName: "summaryLine"
                kind: "accent"
                font.bold: true
                font.pixelSize: Sizes.summary
                text: v.order ? Value.line([Value.text(v.order.package_tier),
                                            Money.rupees(v.order.price_paise),
                                            Value.text(v.order.status)]) : ""
            },
            // What the buyer asked for when ordering, for the seller to work from.
            Line {
                objectName: "instructionsLine"
                visible: text !== ""
                text: v.order && Value.text(v.order.instructions) !== ""
                      ? "Instructions: " + Value.text(v.order.instructions) : ""
            },
            Line {
                objectName: "deliveryNote"
                visible: text !== ""
                text: v.order ? Value.framed("Delivery note: ",
                                             Value.paragraph(v.order.delivery_note)) : ""
            },
            FailureLine {
                objectName: "orderFailure"
                source: opener
            },
            RowLayout {
                spacing: 8
                // "Accept" and "Accept & pay": one click, no service text, and the order reloads
                // either way.
                ActionButton {
                    objectName: "acceptButton"
                    visible: v.actions.indexOf("accept") >= 0
                    text: "Accept"
                    path: v.order ? v.orderPath(v.order.id) + "/accept" : ""
                    successText: "Accepted"
                    showServiceError: false
                    onDone: v.load()
                }
                ActionButton {
                    objectName: "payButton"
                    visible: v.actions.indexOf("complete") >= 0
                    text: "Accept & pay"
                    path: v.order ? v.orderPath(v.order.id) + "/complete" : ""
                    successText: "Payment released"
                    showServiceError: false
                    onDone: v.load()
                }
                SteadyButton {
                    objectName: "deliverButton"
                    visible: v.actions.indexOf("deliver") >= 0
                    text: "Deliver"
                    onClicked: v.openNote("deliver")
                }
                SteadyButton {
                    objectName: "revisionButton"
                    visible: v.actions.indexOf("revision") >= 0
                    text: "Revision"
                    onClicked: v.openNote("revision")
                }
                SteadyButton {
                    objectName: "cancelOrderButton"
                    visible: v.actions.indexOf("cancel") >= 0
                    text: "Cancel"
                    onClicked: v.openNote("cancel")
                }
                SteadyButton {
                    objectName: "reviewButton"
                    visible: v.actions.indexOf("review") >= 0
                    text: "Review"
                    onClicked: v.openNote("review")
                }
            },
            Line {
                kind: "plain"
                font.bold: true
                text: "Messages"
            }
        ]

        delegate: ListRow {
            id: message
            objectName: "message_" + index
            implicitHeight: lines.implicitHeight
            rowLabel: Value.text(modelData.sender_name)
            rowText: Value.paragraph(modelData.body)

            ColumnLayout {
                id: lines
                width: parent.width
                spacing: 2

                Line {
                    kind: "accent"
                    text: message.rowLabel
                }
                Line {
                    objectName: "messageBody_" + message.index
                    text: message.rowText
                }
            }
        }

        below: RowLayout {
            spacing: 8
            Field {
                id: messageField
                objectName: "messageField"
                placeholderText: "Message…"
                onAccepted: v.sendMessage()
            }
            SteadyButton {
                id: sendButton
                objectName: "sendButton"
                // Blanks alone are no message: the service would refuse it.
                enabled: messageField.text.trim().length > 0 && !messenger.busy
                text: "Send"
                onClicked: v.sendMessage()
            }
        }
    }

    FormDialog {
        id: noteDialog
        objectName: "noteDialog"
        width: Sizes.noteDialog
        title: v.noteTitles[v.noteKind] || "Review"
        shown: v.noteKind !== ""
        rules: [v.noteKind === "review" || Limits.chars("Note", noteField.text.trim(), Limits.orderNote)]
        onOpening: noteField.text = ""
        onDismiss: v.noteKind = ""
        onSubmit: send("POST", v.orderPath(v.order.id) + "/" + v.noteKind,
                       v.noteBody(v.noteKind, noteField.text.trim()), "Done", function () {
                           v.noteKind = ""
                           v.load()
                       })

        RowLayout {
            objectName: "starRow"
            visible: v.noteKind === "review"
            spacing: 0
            Repeater {
                model: 5
                SteadyButton {
                    required property int index
                    objectName: "star_" + (index + 1)
                    flat: true
                    palette.buttonText: Palette.text
                    palette.button: Palette.control // the face a focused star is drawn on
                    text: index + 1 <= v.reviewScore ? "★" : "☆"
                    font.pixelSize: Sizes.title
                    Accessible.name: (index + 1) + (index === 0 ? " star" : " stars")
                    onClicked: v.reviewScore = index + 1
                }
            }
        }
        TextBox {
            id: noteField
            objectName: "noteField"
            placeholderText: v.noteKind === "review" ? "Review (optional)" : "Note"
        }
    }
}
