import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "money.js" as Money
import "outcome.js" as Outcome
import "serviceorigin.js" as Service
import "zadozirir.js" as ZadoZirir
import "parts"

// The user's contracts with their milestones and the deliveries waiting for a decision, the
// actions of the milestone workflow, and ZadoZirir: while a contract is tracked, a screenshot of
// the screen goes to the service at once and then every ten minutes, for as long as the view lives.
Item {
    id: v
    objectName: "ContractsView"

    property alias items: page.items
    property string actionKind: ""
    property string actionTarget: ""
    // The tracked contract's id as text; empty while ZadoZirir is off.
    property string diaryContract: ""

    readonly property bool isClient: !!win.user && win.user.role === "client"
    readonly property bool isFreelancer: !!win.user && win.user.role === "freelancer"

    function load() {
        page.reload()
    }

    function toggleZadoZirir(contract) {
        diaryContract = ZadoZirir.toggled(diaryContract, contract)
        if (diaryContract === "") {
            win.toast("ZadoZirir stopped")
            return
        }
        win.toast("ZadoZirir started")
        captureAndUpload()
    }

    function captureAndUpload() {
        var shot = Api.captureScreenThumbnail()
        if (shot === "") {
            win.toast("ZadoZirir: capture failed")
            return
        }
        win.call("POST", "api/work-screenshots", { contractId: diaryContract, thumbnailData: shot },
                 function (status) {
                     win.toast(Outcome.ok(status) ? "ZadoZirir screenshot uploaded"
                                                  : "ZadoZirir upload failed")
                 })
    }

    function openAction(kind, id) {
        actionTarget = String(id)
        actionKind = kind
    }

    // Moving tracking to another contract keeps the running schedule.
    Timer {
        objectName: "zadoZirirTimer"
        interval: 600000
        repeat: true
        running: v.diaryContract !== ""
        onTriggered: if (v.diaryContract !== "") v.captureAndUpload()
    }

    // A tab change or sign-out ends tracking silently.
    Component.onDestruction: diaryContract = ""

    ListPage {
        id: page
        anchors.fill: parent
        title: "Contracts"
        path: "api/contracts"
        member: "contracts"

        onLoaded: {
            if (!ZadoZirir.survives(v.diaryContract, page.items, win.user)) {
                v.diaryContract = ""
                win.toast("ZadoZirir stopped")
            }
        }

        Button {
            objectName: "refreshButton"
            text: "Refresh"
            onClicked: v.load()
        }

        delegate: Card {
            id: card
            readonly property var modelData: page.items[index]
            required property int index
            objectName: "contractCard_" + index
            title: modelData.project_title || String(modelData.id)
            trailing: modelData.status || ""
            trailingBold: false

            Line {
                objectName: "typeLine_" + card.index
                text: (card.modelData.contract_type || "fixed") + " · "
                      + Money.rupees(card.modelData.total_paise)
            }
            Button {
                objectName: "zadoZirirButton_" + card.index
                visible: ZadoZirir.offered(card.modelData, win.user)
                text: ZadoZirir.sameId(v.diaryContract, card.modelData.id)
                      ? "⏸ Stop ZadoZirir" : "📷 Start ZadoZirir (10-min capture)"
                onClicked: v.toggleZadoZirir(card.modelData)
            }

            Repeater {
                model: card.modelData.milestones || []
                delegate: RowLayout {
                    id: row
                    required property var modelData
                    required property int index
                    readonly property string tag: card.index + "_" + index
                    readonly property string status: modelData.status || ""
                    Layout.fillWidth: true
                    spacing: 8

                    Line {
                        objectName: "milestoneTitle_" + row.tag
                        text: "• " + (row.modelData.title || "")
                        wrapMode: Text.NoWrap
                    }
                    Line {
                        objectName: "milestoneMeta_" + row.tag
                        kind: "meta"
                        Layout.fillWidth: false
                        text: Money.rupees(row.modelData.amount_paise) + " · " + row.status
                    }
                    ActionButton {
                        objectName: "fundButton_" + row.tag
                        visible: v.isClient && row.status === "awaiting_funding"
                        flat: true
                        text: "Fund"
                        path: "api/milestones/" + Outcome.seg(row.modelData.id) + "/funding-intents"
                        onDone: function (ok, data) {
                            if (!ok)
                                return
                            if (data && data.razorpay) {
                                win.toast("Complete payment in browser")
                                Qt.openUrlExternally(Service.origin + "/contracts")
                            } else {
                                win.toast("Funded")
                                v.load()
                            }
                        }
                    }
                    Button {
                        objectName: "deliverButton_" + row.tag
                        visible: v.isFreelancer && row.status === "funded"
                        flat: true
                        text: "Deliver"
                        onClicked: v.openAction("deliver", row.modelData.id)
                    }
                    Button {
                        objectName: "disputeButton_" + row.tag
                        visible: row.status === "funded" || row.status === "delivered"
                        flat: true
                        text: "Dispute"
                        onClicked: v.openAction("dispute", row.modelData.id)
                    }
                }
            }

            Repeater {
                model: (card.modelData.deliverables || []).filter(function (d) {
                    return d.status === "submitted"
                })
                delegate: RowLayout {
                    id: delivery
                    required property var modelData
                    required property int index
                    readonly property string tag: card.index + "_" + index
                    Layout.fillWidth: true
                    spacing: 8

                    Line {
                        objectName: "delivery_" + delivery.tag
                        text: "↳ Delivery: " + (delivery.modelData.summary || "").substring(0, 50)
                        wrapMode: Text.NoWrap
                    }
                    ActionButton {
                        objectName: "acceptButton_" + delivery.tag
                        visible: v.isClient
                        flat: true
                        text: "Accept"
                        path: "api/deliverables/" + Outcome.seg(delivery.modelData.id) + "/accept"
                        successText: "Accepted — paid"
                        showServiceError: false
                        onDone: v.load()
                    }
                    Button {
                        objectName: "revisionButton_" + delivery.tag
                        visible: v.isClient
                        flat: true
                        text: "Revision"
                        onClicked: v.openAction("revision", delivery.modelData.id)
                    }
                }
            }
        }
    }

    FormDialog {
        id: dialog
        objectName: "actionDialog"
        width: 440
        title: v.actionKind === "deliver" ? "Deliver milestone"
             : v.actionKind === "revision" ? "Request revision" : "Open dispute"
        shown: v.actionKind !== ""
        canSubmit: note.text.trim().length >= 10
        onOpening: note.text = ""
        onDismiss: v.actionKind = ""
        onSubmit: {
            var text = note.text.trim()
            var target = Outcome.seg(v.actionTarget)
            var done = function () {
                v.actionKind = ""
                v.load()
            }
            if (v.actionKind === "deliver")
                send("POST", "api/milestones/" + target + "/deliverables",
                     { summary: text, artifactUrl: "" }, "Done", done)
            else if (v.actionKind === "revision")
                send("POST", "api/deliverables/" + target + "/revision", { feedback: text }, "Done",
                     done)
            else
                send("POST", "api/milestones/" + target + "/disputes",
                     { reason: text, evidence: text }, "Done", done)
        }

        TextBox {
            id: note
            objectName: "actionText"
            placeholderText: v.actionKind === "deliver" ? "Summary of the work (min 10)"
                                                        : "Reason (min 10)"
        }
    }
}
