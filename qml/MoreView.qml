pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "dates.js" as Dates
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "palette.js" as Palette
import "sizes.js" as Sizes
import "serviceorigin.js" as Service
import "value.js" as Value
import "parts"

// Account matters without a tab of their own: identity verification (on the service's page), the
// bank account and withdrawals to it, and the referral programme. One scrolling page whose middle
// is the list of past withdrawals, so a long history stays virtualized.
Item {
    id: v
    objectName: "MoreView"

    property var affiliate: null
    property var settlements: null
    property var bank: null
    property bool showBank: false
    property bool showSettle: false

    readonly property var user: session.user || ({})
    // A new account's status arrives as null: that is "not started" too, never the word null.
    readonly property string kyc: Value.text(v.user.kyc_status) || "not started"
    readonly property bool verified: v.user.kyc_status === "verified"

    // Both loads go out at once; each reply fills only its own part of the page.
    function load() {
        loadUser()
        affiliateLoad.get("api/affiliate", function (data) {
            v.affiliate = typeof data === "object" && !Array.isArray(data) ? data : null
        })
        settlementsLoad.get("api/settlements", function (data) {
            v.settlements = Value.rows(data.settlements)
            v.bank = data.bankAccount && typeof data.bankAccount === "object" ? data.bankAccount
                                                                              : null
        })
    }

    Component.onCompleted: load()

    // The user record is asked for again with every load: identity verification finishes on the
    // service's page (or elsewhere), and the card and the withdrawal rules follow what the service
    // says now, not what it said at sign-in.
    function loadUser() {
        userLoad.call("GET", "api/auth/me", null, function (status, data) {
            var u = Outcome.userOf(status, data)
            if (u !== null)
                session.updateUser(u)
        })
    }

    Session {
        id: session
    }
    Latest {
        id: affiliateLoad
        expects: ({ referrals: "list" })
    }
    Latest {
        id: settlementsLoad
        expects: ({ settlements: "list", bankAccount: "record or none" })
    }
    Latest {
        id: userLoad
    }
    HandOff {
        id: handOff
        onReturned: v.load()
    }

    // One page that scrolls as a whole, read and walked by Tab from top to bottom. The past
    // withdrawals are a list of their own in it, a few rows high, so a long history stays
    // virtualized.
    Flickable {
        id: page
        objectName: "morePage"
        anchors.fill: parent
        contentHeight: column.implicitHeight + 48
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBar {}

        ColumnLayout {
            id: column
            x: 24
            y: 24
            width: page.width - 48
            spacing: 12

            FailureLine {
                objectName: "settlementsFailure"
                source: settlementsLoad
            }
            FailureLine {
                objectName: "affiliateFailure"
                source: affiliateLoad
            }

            Heading {
                text: "Account & KYC"
                font.pixelSize: Sizes.subtitle
            }
            Panel {
                objectName: "accountCard"
                Layout.fillWidth: true
                title: Value.text(v.user.full_name) || Value.text(v.user.email)

                Line {
                    objectName: "kycLine"
                    text: Value.line([Value.text(v.user.role), "KYC: " + v.kyc])
                    color: v.verified ? Palette.accent : Palette.alarm
                }
                Line {
                    objectName: "kycNotice"
                    visible: !v.verified
                    kind: "meta"
                    wrapMode: Text.WordWrap
                    text: "Complete identity verification on "
                          + Service.origin.replace(/^https:\/\//, "")
                          + " or the Android app to unlock all features."
                }
                SteadyButton {
                    objectName: "identityButton"
                    visible: !v.verified
                    text: "Verify identity"
                    onClicked: handOff.open("/identity")
                }
            }

            Heading {
                text: "Bank & settlements"
                font.pixelSize: Sizes.subtitle
            }
            Panel {
                objectName: "bankCard"
                Layout.fillWidth: true
                title: !v.bank ? "No bank account on file"
                               : Value.framed("Bank ••••", Value.text(v.bank.account_last4))
                                 || "Bank account on file"

                RowLayout {
                    spacing: 8
                    SteadyButton {
                        objectName: "bankButton"
                        text: v.bank ? "Update bank" : "Add bank"
                        onClicked: v.showBank = true
                    }
                    SteadyButton {
                        objectName: "withdrawButton"
                        visible: session.isFreelancer
                        text: "Withdraw to bank"
                        onClicked: v.showSettle = true
                    }
                }
            }

            CardList {
                id: list
                objectName: "settlementList"
                Layout.fillHeight: false
                Layout.preferredHeight: Math.min(contentHeight, 6 * 48)
                visible: count > 0
                rows: v.settlements || []

                delegate: ListRow {
                    id: settlement
                    objectName: "settlementRow_" + index
                    height: 40
                    radius: 8
                    rowLabel: settlementAmount.text
                    rowText: settlementMeta.text

                    Rectangle {
                        anchors.fill: parent
                        radius: 8
                        color: Palette.card
                    }
                    RowLayout {
                        anchors.fill: parent
                        anchors.margins: 10

                        Label {
                            id: settlementAmount
                            objectName: "settlementAmount_" + settlement.index
                            Layout.fillWidth: true
                            text: Money.rupees(settlement.modelData.amount_paise)
                            color: Palette.text
                            font.bold: true
                        }
                        Line {
                            id: settlementMeta
                            objectName: "settlementMeta_" + settlement.index
                            Layout.fillWidth: false
                            kind: "meta"
                            text: Value.line([Value.text(settlement.modelData.status),
                                              Dates.day(settlement.modelData.requested_at)])
                        }
                    }
                }
            }

            Heading {
                text: "Affiliate"
                font.pixelSize: Sizes.subtitle
            }
            Panel {
                Layout.fillWidth: true
                title: "Your referral link"

                TextField {
                    objectName: "shareUrlField"
                    Layout.fillWidth: true
                    readOnly: true
                    selectByMouse: true
                    text: v.affiliate ? Value.text(v.affiliate.shareUrl) : ""
                    Accessible.name: "Your referral link"
                }
                Line {
                    objectName: "referralLine"
                    kind: "meta"
                    text: !v.affiliate ? ""
                        : Value.list(v.affiliate.referrals).length + " referrals · earn "
                          + (Value.number(v.affiliate.commissionPercent) || 10)
                          + "% of first plan purchase"
                }
            }

            // The notifier keeps the choice across restarts.
            Check {
                objectName: "desktopNotificationsCheck"
                text: "Desktop notifications"
                checked: session.notifier.enabled
                onToggled: session.notifier.enabled = checked
            }
        }
    }

    FormDialog {
        objectName: "bankDialog"
        title: "Bank account"
        width: Sizes.shortDialog
        shown: v.showBank
        submitText: "Save"
        // Counted on the text as typed; the service judges the holder name once trimmed.
        rules: [Limits.filled("Account holder name", holder.text),
                Limits.chars("Account number", number.value, Limits.accountNumber),
                Limits.exactChars("IFSC", ifsc.text, Limits.ifsc)]
        onOpening: {
            holder.text = ""
            number.text = ""
            ifsc.text = ""
        }
        onDismiss: v.showBank = false
        onSubmit: send("PUT", "api/bank-account", {
                           accountHolder: holder.text.trim(),
                           accountNumber: number.value,
                           ifsc: ifsc.text.toUpperCase()
                       }, "Bank saved", function () {
                           v.showBank = false
                           v.load()
                       })

        Field {
            id: holder
            objectName: "holderField"
            placeholderText: "Account holder name"
        }
        Field {
            id: number
            objectName: "accountNumberField"
            placeholderText: "Account number"
            digits: true
            digitsHint: "Digits only"
        }
        Field {
            id: ifsc
            objectName: "ifscField"
            placeholderText: "IFSC"
        }
    }

    FormDialog {
        objectName: "settleDialog"
        title: "Withdraw to bank"
        width: Sizes.shortDialog
        shown: v.showSettle
        submitText: "Request"
        rules: [Limits.rupees("Amount", amount.value, Limits.withdrawal)]
        onOpening: amount.text = ""
        onDismiss: v.showSettle = false
        // The digits typed, without their grouping: the service reads whole rupees and states its
        // own refusals.
        onSubmit: send("POST", "api/settlements", { amount: amount.value }, "Settlement requested",
                       function () {
                           v.showSettle = false
                           v.load()
                       })

        Line {
            text: "Minimum " + Money.groupedRupees(Limits.withdrawal)
                  + " · requires verified KYC + approved bank."
        }
        Field {
            id: amount
            objectName: "amountField"
            placeholderText: "Amount ₹"
            digits: true
        }
    }
}
