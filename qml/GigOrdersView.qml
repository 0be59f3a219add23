import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "money.js" as Money
import "outcome.js" as Outcome
import "palette.js" as Palette
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
    // Counts detail loads (and leaving the detail page): only the latest may show its reply.
    property int opens: 0

    readonly property var order: detail && detail.order ? detail.order : null
    readonly property bool isClientSide: order !== null && v.isClientOf(order)
    readonly property var actions: order ? v.actionsFor(order.status, isClientSide) : []

    readonly property var noteTitles: ({
        deliver: "Deliver work",
        revision: "Request revision",
        cancel: "Cancel order"
    })

    function load() {
        page.reload()
    }

    function isClientOf(o) {
        return !!win.user && win.user.id === o.client_id
    }

    // What each side may do to an order in each status; any other status offers nothing.
    function actionsFor(status, client) {
        var table = {
            pending: [["accept", "cancel"], ["cancel"]],
            active: [["deliver", "cancel"], ["cancel"]],
            revision: [["deliver"], []],
            delivered: [[], ["complete", "revision"]],
            completed: [[], ["review"]]
        }
        return table.hasOwnProperty(status) ? table[status][client ? 1 : 0] : []
    }

    function orderPath(id) {
        return "api/gig-orders/" + Outcome.seg(id)
    }

    function open(id) {
        var token = ++opens
        win.call("GET", orderPath(id), null, function (status, data) {
            if (token === v.opens && Outcome.loaded(status, data))
                v.detail = data
        })
    }

    // Reloads the order once an action on it has answered, unless the user has left it since.
    function refresh(id) {
        if (v.order !== null && v.order.id === id)
            open(id)
    }

    function back() {
        ++opens // a detail still loading would pull the user back onto the page just left
        detail = null
        messageField.text = "" // a draft belongs to the order it was typed for
        load()
    }

    // "Accept" and "Accept & pay": one click, no service text, and the order reloads either way.
    function quickAction(suffix, successText) {
        var id = order.id
        win.call("POST", orderPath(id) + suffix, {}, function (status) {
            win.toast(Outcome.ok(status) ? successText : "Failed")
            v.refresh(id)
        })
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

    function sendMessage() {
        var id = order.id
        win.call("POST", orderPath(id) + "/messages", { body: messageField.text.trim() },
                 function (status) {
                     if (!Outcome.ok(status)) {
                         win.toast("Failed")
                     } else if (v.order !== null && v.order.id === id) {
                         messageField.text = ""
                         v.open(id)
                     }
                 })
    }

    ListPage {
        id: page
        objectName: "listPage"
        anchors.fill: parent
        visible: v.detail === null
        title: "Gig orders"
        path: "api/gig-orders"
        member: "orders"

        delegate: Card {
            id: card
            readonly property var modelData: page.items[index]
            required property int index
            objectName: "orderCard_" + index
            title: modelData.gig_title || ""
            trailing: modelData.status || ""
            trailingBold: false
            clickable: true
            onClicked: v.open(modelData.id)

            Line {
                objectName: "orderLine_" + card.index
                font.pixelSize: 11
                text: (card.modelData.package_tier || "") + " · " + Money.rupees(card.modelData.price_paise)
                      + " · " + ((v.isClientOf(card.modelData) ? card.modelData.freelancer_name
                                                                : card.modelData.client_name) || "")
            }
        }
    }

    ListPage {
        id: detailPage
        objectName: "detailPage"
        anchors.fill: parent
        visible: v.detail !== null
        backText: "← Back"
        title: v.order ? v.order.gig_title || "" : ""
        titleSize: 18
        items: v.detail && Array.isArray(v.detail.messages) ? v.detail.messages : []
        list.spacing: 6
        onBack: v.back()

        above: [
            Line {
                objectName: "summaryLine"
                kind: "accent"
                font.bold: true
                font.pixelSize: 13
                text: v.order ? (v.order.package_tier || "") + " · " + Money.rupees(v.order.price_paise)
                                + " · " + (v.order.status || "")
                              : ""
            },
            Line {
                objectName: "deliveryNote"
                visible: !!v.order && !!v.order.delivery_note
                text: v.order ? "Delivery note: " + v.order.delivery_note : ""
            },
            RowLayout {
                spacing: 8
                Button {
                    objectName: "acceptButton"
                    visible: v.actions.indexOf("accept") >= 0
                    text: "Accept"
                    onClicked: v.quickAction("/accept", "Accepted")
                }
                Button {
                    objectName: "payButton"
                    visible: v.actions.indexOf("complete") >= 0
                    text: "Accept && pay" // a single "&" would mark the "p" as a shortcut key
                    Accessible.name: "Accept & pay"
                    onClicked: v.quickAction("/complete", "Payment released")
                }
                Button {
                    objectName: "deliverButton"
                    visible: v.actions.indexOf("deliver") >= 0
                    text: "Deliver"
                    onClicked: v.openNote("deliver")
                }
                Button {
                    objectName: "revisionButton"
                    visible: v.actions.indexOf("revision") >= 0
                    text: "Revision"
                    onClicked: v.openNote("revision")
                }
                Button {
                    objectName: "cancelOrderButton"
                    visible: v.actions.indexOf("cancel") >= 0
                    text: "Cancel"
                    onClicked: v.openNote("cancel")
                }
                Button {
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

        delegate: ColumnLayout {
            id: message
            readonly property var modelData: detailPage.items[index]
            required property int index
            objectName: "message_" + index
            width: ListView.view ? ListView.view.width : 0
            spacing: 2

            Line {
                kind: "accent"
                text: message.modelData.sender_name || ""
            }
            Line {
                objectName: "messageBody_" + message.index
                text: message.modelData.body || ""
            }
        }

        below: RowLayout {
            spacing: 8
            Field {
                id: messageField
                objectName: "messageField"
                placeholderText: "Message…"
            }
            Button {
                objectName: "sendButton"
                enabled: messageField.text.length > 0
                text: "Send"
                onClicked: v.sendMessage()
            }
        }
    }

    FormDialog {
        id: noteDialog
        objectName: "noteDialog"
        width: 440
        title: v.noteTitles[v.noteKind] || "Review"
        shown: v.noteKind !== ""
        canSubmit: v.noteKind === "review" || noteField.text.trim().length >= 5
        onOpening: noteField.text = ""
        onDismiss: v.noteKind = ""
        onSubmit: {
            var id = v.order.id
            send("POST", v.orderPath(id) + "/" + v.noteKind, v.noteBody(v.noteKind, noteField.text.trim()),
                 "Done", function () {
                     v.noteKind = ""
                     v.refresh(id)
                 })
        }

        RowLayout {
            objectName: "starRow"
            visible: v.noteKind === "review"
            spacing: 0
            Repeater {
                model: 5
                Button {
                    required property int index
                    objectName: "star_" + (index + 1)
                    flat: true
                    palette.buttonText: Palette.text
                    palette.button: Palette.control // the face a focused star is drawn on
                    text: index + 1 <= v.reviewScore ? "★" : "☆"
                    font.pixelSize: 20
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
