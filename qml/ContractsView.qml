pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "sizes.js" as Sizes
import "value.js" as Value
import "wording.js" as Wording
import "zadozirir.js" as ZadoZirir
import "parts"

// The user's contracts with their milestones and the deliveries waiting for a decision, the
// actions of the milestone workflow, and ZadoZirir: while a contract is tracked, a screenshot of
// the screen goes to the service at once and then at every interval, for as long as the view
// lives.
Item {
    id: v
    objectName: "ContractsView"

    property alias items: page.items
    property string actionKind: ""
    property string actionTarget: ""
    // The tracked contract's id as text; empty while ZadoZirir is off.
    property string diaryContract: ""
    // The last screenshot the service accepted and when, shown on the tracked card so the worker
    // sees what left; and why the latest upload was not accepted, while it was not.
    property string lastShot: ""
    property var lastShotAt: null
    property string lastRefusal: ""

    function load() {
        page.reload()
    }

    function toggleZadoZirir(contract) {
        diaryContract = ZadoZirir.toggled(diaryContract, contract)
        lastShot = ""
        lastShotAt = null
        lastRefusal = ""
        if (diaryContract === "") {
            session.toast("ZadoZirir stopped")
            return
        }
        session.toast("ZadoZirir started")
        captureAndUpload()
    }

    // Tracking ended by the service, not by the worker: the toast says why.
    function stopZadoZirir(why) {
        diaryContract = ""
        lastShot = ""
        lastShotAt = null
        lastRefusal = ""
        session.toast("ZadoZirir stopped: " + why)
    }

    function captureAndUpload() {
        var shot = session.api.captureScreenThumbnail()
        if (shot === "") {
            session.toast("ZadoZirir: capture failed")
            return
        }
        var tracked = diaryContract
        uploader.call("POST", "api/work-screenshots", { contractId: tracked, thumbnailData: shot },
                      function (status, data, raw) {
                          if (v.diaryContract !== tracked)
                              return // stopped or moved while this one was on its way
                          if (Outcome.ok(status)) {
                              v.lastShot = shot
                              v.lastShotAt = new Date()
                              v.lastRefusal = ""
                              session.toast("ZadoZirir screenshot uploaded")
                              return
                          }
                          var why = Wording.failure(status, data, raw)
                          if (ZadoZirir.refusedForGood(status)) {
                              // The contract changed on the service: the list shows how.
                              v.stopZadoZirir(why)
                              v.load()
                          } else {
                              v.lastRefusal = why
                              session.toast("ZadoZirir upload failed")
                          }
                      })
    }

    // A funding answered: paid from the wallet, or handed to the browser when the wallet is short.
    function funded(data) {
        if (data && data.razorpay) {
            session.toast("Complete payment in browser")
            handOff.open("/contracts")
        } else {
            session.toast("Funded")
            load()
        }
    }

    function openAction(kind, id) {
        actionTarget = String(id)
        actionKind = kind
    }

    Session {
        id: session
    }
    // Paid in the browser: the milestones are fetched again when the person comes back.
    HandOff {
        id: handOff
        onReturned: v.load()
    }
    // The uploads of the tracked contract; an answer still on its way when the next upload goes
    // no longer counts.
    Latest {
        id: uploader
    }

    // Moving tracking to another contract keeps the running schedule.
    Timer {
        objectName: "zadoZirirTimer"
        interval: ZadoZirir.intervalMs
        repeat: true
        running: v.diaryContract !== ""
        onTriggered: if (v.diaryContract !== "") v.captureAndUpload()
    }

    // A tab change or sign-out ends tracking; the worker is told, so that hours are never left
    // unrecorded without a word.
    Component.onDestruction: {
        if (diaryContract === "")
            return
        diaryContract = ""
        session.toast("ZadoZirir stopped")
    }

    ListPage {
        id: page
        anchors.fill: parent
        title: "Contracts"
        path: "api/contracts"
        member: "contracts"

        onLoaded: {
            if (!ZadoZirir.survives(v.diaryContract, page.items, session.user))
                v.stopZadoZirir("the contract no longer takes screenshots")
        }

        SteadyButton {
            objectName: "refreshButton"
            text: "Refresh"
            onClicked: v.load()
        }

        delegate: Card {
            id: card
            readonly property bool tracked: ZadoZirir.sameId(v.diaryContract, modelData.id)
            readonly property bool offered: ZadoZirir.offered(modelData, session.user)
            objectName: "contractCard_" + index
            title: Value.text(modelData.project_title) || Value.text(modelData.id)
            trailing: Value.text(modelData.status)
            trailingBold: false

            Line {
                objectName: "typeLine_" + card.index
                text: Value.line([Value.text(card.modelData.contract_type) || "fixed",
                                  Money.rupees(card.modelData.total_paise)])
            }
            RowLayout {
                visible: card.offered
                spacing: 8
                SteadyButton {
                    objectName: "zadoZirirButton_" + card.index
                    text: card.tracked ? "⏸ Stop ZadoZirir"
                                       : "📷 Start ZadoZirir (" + ZadoZirir.minutes + "-min capture)"
                    onClicked: v.toggleZadoZirir(card.modelData)
                }
                Line {
                    kind: "meta"
                    wrapMode: Text.WordWrap
                    text: "Tracking stops when you leave the Contracts tab."
                }
            }
            Line {
                objectName: "zadoZirirNotice_" + card.index
                visible: card.offered
                kind: "meta"
                wrapMode: Text.WordWrap
                text: "While ZadoZirir runs, a picture of your whole screen is taken and sent to the "
                      + "service at once and then every " + ZadoZirir.minutes + " minutes."
            }
            RowLayout {
                objectName: "lastCapture_" + card.index
                visible: card.tracked && v.lastShot !== ""
                spacing: 8
                Image {
                    objectName: "lastCaptureImage_" + card.index
                    Layout.preferredWidth: 160
                    Layout.preferredHeight: 90
                    fillMode: Image.PreserveAspectFit
                    source: card.tracked ? v.lastShot : ""
                    Accessible.role: Accessible.Graphic
                    Accessible.name: "The last screenshot sent"
                }
                Line {
                    objectName: "lastCaptureTime_" + card.index
                    kind: "meta"
                    text: v.lastShotAt ? "Last screenshot sent at "
                                                  + Qt.formatDateTime(v.lastShotAt, "hh:mm") : ""
                }
            }
            Line {
                objectName: "lastRefusal_" + card.index
                visible: card.tracked && v.lastRefusal !== ""
                kind: "alarm"
                text: "The latest screenshot was not accepted: " + v.lastRefusal
            }

            FewRows {
                objectName: "milestones_" + card.index
                rows: Value.rows(card.modelData.milestones)
                key: card.index
                delegate: NestedRow {
                    id: row
                    readonly property string status: Value.text(modelData.status)
                    // A reader tells this milestone's buttons from the others' by its title.
                    rowLabel: Value.text(modelData.title)

                    Line {
                        objectName: "milestoneTitle_" + row.tag
                        text: "• " + row.rowLabel
                        wrapMode: Text.NoWrap
                    }
                    Line {
                        objectName: "milestoneMeta_" + row.tag
                        kind: "meta"
                        Layout.fillWidth: false
                        text: Value.line([Money.rupees(row.modelData.amount_paise), row.status])
                    }
                    ActionButton {
                        objectName: "fundButton_" + row.tag
                        visible: session.isClient && row.status === "awaiting_funding"
                        flat: true
                        text: "Fund"
                        path: "api/milestones/" + Outcome.seg(row.modelData.id) + "/funding-intents"
                        onDone: function (ok, data) {
                            if (ok)
                                v.funded(data)
                        }
                    }
                    SteadyButton {
                        objectName: "deliverButton_" + row.tag
                        visible: session.isFreelancer && row.status === "funded"
                        flat: true
                        text: "Deliver"
                        onClicked: v.openAction("deliver", row.modelData.id)
                    }
                    SteadyButton {
                        objectName: "disputeButton_" + row.tag
                        visible: row.status === "funded" || row.status === "delivered"
                        flat: true
                        text: "Dispute"
                        onClicked: v.openAction("dispute", row.modelData.id)
                    }
                }
            }

            FewRows {
                objectName: "deliveries_" + card.index
                rows: Value.rows(card.modelData.deliverables).filter(d => d.status === "submitted")
                key: card.index
                delegate: NestedRow {
                    id: delivery
                    rowLabel: "Delivery: " + Value.text(modelData.summary).substring(0, 50)

                    Line {
                        objectName: "delivery_" + delivery.tag
                        text: "↳ " + delivery.rowLabel
                        wrapMode: Text.NoWrap
                    }
                    ActionButton {
                        objectName: "acceptButton_" + delivery.tag
                        visible: session.isClient
                        flat: true
                        text: "Accept"
                        path: "api/deliverables/" + Outcome.seg(delivery.modelData.id) + "/accept"
                        successText: "Accepted — paid"
                        showServiceError: false
                        onDone: v.load()
                    }
                    SteadyButton {
                        objectName: "revisionButton_" + delivery.tag
                        visible: session.isClient
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
        width: Sizes.noteDialog
        title: v.actionKind === "deliver" ? "Deliver milestone"
             : v.actionKind === "revision" ? "Request revision" : "Open dispute"
        shown: v.actionKind !== ""
        rules: [Limits.chars(v.actionKind === "deliver" ? "Summary" : "Reason", note.text.trim(),
                             Limits.milestoneNote)]
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
            placeholderText: (v.actionKind === "deliver" ? "Summary of the work" : "Reason")
                             + " (min " + Limits.milestoneNote + ")"
        }
    }
}
