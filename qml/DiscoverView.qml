pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "money.js" as Money
import "limits.js" as Limits
import "outcome.js" as Outcome
import "value.js" as Value
import "parts"

// The projects the service offers; freelancers send proposals on open ones.
Item {
    id: v
    objectName: "DiscoverView"

    property alias items: page.items
    property var proposeFor: null

    function load() {
        page.reload()
    }

    Session {
        id: session
    }

    ListPage {
        id: page
        anchors.fill: parent
        title: "Discover projects"
        path: "api/projects"
        member: "projects"

        SteadyButton {
            objectName: "refreshButton"
            text: "Refresh"
            onClicked: v.load()
        }

        delegate: Card {
            id: card
            objectName: "projectCard_" + index
            title: Value.text(modelData.title)
            trailing: Money.rupeesOrDash(modelData.budget_paise)

            Line {
                objectName: "excerpt_" + card.index
                text: Value.paragraph(card.modelData.description).substring(0, 160)
            }
            Line {
                objectName: "metaLine_" + card.index
                kind: "meta"
                text: Value.line([Value.text(card.modelData.status),
                                  Value.joined(card.modelData.required_skills, ", ")])
            }
            SteadyButton {
                objectName: "proposeButton_" + card.index
                visible: session.isFreelancer && card.modelData.status === "open"
                text: "Send proposal"
                onClicked: v.proposeFor = card.modelData
            }
        }
    }

    FormDialog {
        id: dialog
        objectName: "proposalDialog"
        title: "Proposal"
        shown: v.proposeFor !== null
        submitText: "Send"
        rules: [Limits.chars("Cover letter", cover.text.trim(), Limits.coverLetter),
                Limits.rupees("Bid", bid.value, Limits.amount),
                Limits.typed("Days", days)]
        onOpening: {
            cover.text = ""
            bid.text = String(Money.wholeRupees(v.proposeFor.budget_paise) || 0)
            days.text = "14"
        }
        onDismiss: v.proposeFor = null
        onSubmit: send("POST", "api/projects/" + Outcome.seg(v.proposeFor.id) + "/proposals", {
                           coverLetter: cover.text.trim(),
                           amount: bid.value,
                           durationDays: Money.intOr(days.value, 14)
                       }, "Proposal sent", function () { v.proposeFor = null })

        TextBox {
            id: cover
            objectName: "coverLetterField"
            placeholderText: "Cover letter (min " + Limits.coverLetter + " chars)"
            Layout.preferredHeight: 120
        }
        RowLayout {
            spacing: 8
            Field {
                id: bid
                objectName: "bidField"
                placeholderText: "Bid ₹"
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
}
