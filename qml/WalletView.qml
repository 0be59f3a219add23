import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "money.js" as Money
import "palette.js" as Palette
import "value.js" as Value
import "parts"

// The wallet balance, its movements and the invoices. Read-only: other tabs spend from the
// wallet and withdrawals are asked for on the More tab.
Item {
    id: v
    objectName: "WalletView"

    property var wallet: null
    property var txns: []
    property var invoices: []

    // Both loads go out at once; each reply fills only its own part of the page.
    function load() {
        walletLoad.get("api/wallet", function (data) {
            v.wallet = data.wallet && typeof data.wallet === "object" ? data.wallet : null
            v.txns = Value.rows(data.transactions)
        })
        invoiceLoad.get("api/invoices", function (data) {
            v.invoices = Value.rows(data.invoices)
        })
    }

    Component.onCompleted: load()

    Latest {
        id: walletLoad
    }
    Latest {
        id: invoiceLoad
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 12

        FailureLine {
            objectName: "walletFailure"
            source: walletLoad
        }
        FailureLine {
            objectName: "invoiceFailure"
            source: invoiceLoad
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 90
            radius: 12
            color: Palette.card

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 16
                spacing: 4

                Line {
                    text: "Wallet balance"
                }
                Label {
                    objectName: "balanceLabel"
                    text: v.wallet ? Money.twoDecimals(v.wallet.balance_paise) : "—"
                    color: Palette.text
                    font.pixelSize: 28
                    font.bold: true
                }
            }
        }

        Heading {
            text: "Wallet activity"
            font.pixelSize: 14
        }

        CardList {
            objectName: "txnList"
            Layout.fillHeight: false
            Layout.preferredHeight: 220
            spacing: 6
            model: v.txns.length
            delegate: RowLayout {
                required property int index
                readonly property var modelData: v.txns[index]
                objectName: "txnRow_" + index
                width: ListView.view.width
                spacing: 8
                Accessible.role: Accessible.ListItem
                Accessible.name: txnText.text + " " + txnAmount.text

                Line {
                    id: txnText
                    objectName: "txnText_" + index
                    text: Value.text(modelData.description) || Value.text(modelData.kind)
                    wrapMode: Text.NoWrap
                    elide: Text.ElideRight
                }
                Label {
                    id: txnAmount
                    objectName: "txnAmount_" + index
                    text: Money.signed(modelData.amount_paise)
                    color: modelData.amount_paise < 0 ? Palette.alarm : Palette.accent
                    font.bold: true
                }
            }
        }

        Heading {
            text: "Invoices"
            font.pixelSize: 14
        }

        CardList {
            objectName: "invoiceList"
            spacing: 6
            model: v.invoices.length
            delegate: RowLayout {
                required property int index
                readonly property var modelData: v.invoices[index]
                objectName: "invoiceRow_" + index
                width: ListView.view.width
                spacing: 8
                Accessible.role: Accessible.ListItem
                Accessible.name: invoiceText.text + " " + invoiceTotal.text

                Line {
                    id: invoiceText
                    objectName: "invoiceText_" + index
                    text: Value.text(modelData.invoice_number) + " · " + Value.text(modelData.description)
                    wrapMode: Text.NoWrap
                    elide: Text.ElideRight
                }
                Label {
                    id: invoiceTotal
                    objectName: "invoiceTotal_" + index
                    text: Money.rupees(modelData.total_paise)
                    color: Palette.text
                    font.bold: true
                }
            }
        }
    }
}
