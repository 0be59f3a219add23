pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "money.js" as Money
import "palette.js" as Palette
import "sizes.js" as Sizes
import "value.js" as Value
import "parts"

// The wallet balance, its movements and the invoices. Other tabs spend from the wallet and
// withdrawals are asked for on the More tab; money is added on the service's page, and the
// figures are fetched again when the person comes back from it.
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
        expects: ({ wallet: "record or none", transactions: "list" })
    }
    Latest {
        id: invoiceLoad
        expects: ({ invoices: "list" })
    }
    HandOff {
        id: handOff
        onReturned: v.load()
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

            RowLayout {
                anchors.fill: parent
                anchors.margins: 16
                spacing: 12

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 4

                    Line {
                        text: "Wallet balance"
                    }
                    Label {
                        objectName: "balanceLabel"
                        text: v.wallet ? Money.twoDecimals(v.wallet.balance_paise) : "—"
                        color: Palette.text
                        font.pixelSize: Sizes.figure
                        font.bold: true
                    }
                }
                SteadyButton {
                    objectName: "addMoneyButton"
                    text: "Add money"
                    onClicked: handOff.open("/wallet")
                }
            }
        }

        Heading {
            text: "Wallet activity"
            font.pixelSize: Sizes.plain
        }

        CardList {
            objectName: "txnList"
            Layout.fillHeight: false
            Layout.preferredHeight: 220
            spacing: 6
            rows: v.txns
            delegate: ListRow {
                id: txn
                objectName: "txnRow_" + index
                implicitHeight: txnLine.implicitHeight
                rowLabel: Value.text(modelData.description) || Value.text(modelData.kind)
                rowText: txnAmount.text

                RowLayout {
                    id: txnLine
                    width: parent.width
                    spacing: 8
                    Line {
                        objectName: "txnText_" + txn.index
                        text: txn.rowLabel
                        wrapMode: Text.NoWrap
                        elide: Text.ElideRight
                    }
                    Label {
                        id: txnAmount
                        objectName: "txnAmount_" + txn.index
                        text: Money.signed(txn.modelData.amount_paise)
                        color: txn.modelData.amount_paise < 0 ? Palette.alarm : Palette.accent
                        font.bold: true
                    }
                }
            }
        }

        Heading {
            text: "Invoices"
            font.pixelSize: Sizes.plain
        }

        CardList {
            objectName: "invoiceList"
            spacing: 6
            rows: v.invoices
            delegate: ListRow {
                id: invoice
                objectName: "invoiceRow_" + index
                implicitHeight: invoiceLine.implicitHeight
                rowLabel: Value.line([Value.text(modelData.invoice_number),
                                      Value.text(modelData.description)])
                rowText: invoiceTotal.text

                RowLayout {
                    id: invoiceLine
                    width: parent.width
                    spacing: 8
                    Line {
                        objectName: "invoiceText_" + invoice.index
                        text: invoice.rowLabel
                        wrapMode: Text.NoWrap
                        elide: Text.ElideRight
                    }
                    Label {
                        id: invoiceTotal
                        objectName: "invoiceTotal_" + invoice.index
                        text: Money.rupees(invoice.modelData.total_paise)
                        color: Palette.text
                        font.bold: true
                    }
                }
            }
        }
    }
}
