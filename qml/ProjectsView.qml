pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "value.js" as Value
import "sizes.js" as Sizes
import "parts"

// The client's side of project hiring: the own projects, posting and publishing a new one, the
// proposals freelancers sent from Discover, and accepting one with one or two milestones, which
// creates the contract.
Item {
    id: v
    objectName: "ProjectsView"

    property alias items: projectsPage.items
    property var proposalsFor: null
    property alias proposals: proposalsPage.items
    property bool showPost: false
    property var acceptFor: null

    // Fetches the page in front again: the proposals while they are shown, else the projects.
    function load() {
        if (proposalsFor !== null)
            openProps(proposalsFor)
        else
            projectsPage.reload()
    }

    // The newest click wins: a slower answer for a project clicked before is dropped.
    function openProps(p) {
        opener.get("api/projects/" + Outcome.seg(p.id) + "/proposals", function (data) {
            v.proposals = Value.rows(data.proposals)
            v.proposalsFor = p
        })
    }

    function closeProps() {
        opener.drop()
        proposalsFor = null
    }

    Latest {
        id: opener
        expects: ({ proposals: "list" })
    }
    Session {
        id: session
    }

    // The body members in the order the service documents them; the budget goes as typed.
    function projectBody() {
        return {
            title: postTitle.text.trim(),
            description: postDescription.text.trim(),
            requiredSkills: postSkills.text.split(",").map(function (s) {
                return s.trim()
            }).filter(function (s) {
                return s.length > 0
            }),
            budget: postBudget.value,
            projectType: postHourly.checked ? "hourly" : "fixed"
        }
    }

    // The first milestone always; the second only when both its title and amount are given.
    function milestones() {
        var first = { title: title1.text.trim(), amount: amount1.value }
        if (title2.text.length > 0 && Money.intOf(amount2.value) > 0)
            return [first, { title: title2.text.trim(), amount: amount2.value }]
        return [first]
    }

    function posted() {
        v.showPost = false
        v.load()
    }

    ListPage {
        id: projectsPage
        anchors.fill: parent
        visible: v.proposalsFor === null
        title: "My projects"
        path: "api/my/projects"
        member: "projects"
        alsoBusy: opener.busy
        above: FailureLine {
            objectName: "openFailure"
            source: opener
        }

        SteadyButton {
            objectName: "postButton"
            text: "+ Post project"
            onClicked: v.showPost = true
        }

        delegate: Card {
            id: card
            objectName: "projectCard_" + index
            title: Value.text(modelData.title)
            trailing: Value.text(modelData.status)
            trailingBold: false
            spacing: 3
            clickable: true
            onClicked: v.openProps(modelData)

            Line {
                objectName: "budgetLine_" + card.index
                kind: "meta"
                text: Money.rupeesOrDash(card.modelData.budget_paise) + " · click to review proposals"
            }
        }
    }

    ListPage {
        id: proposalsPage
        anchors.fill: parent
        visible: v.proposalsFor !== null
        title: v.proposalsFor ? Value.text(v.proposalsFor.title) : ""
        titleSize: Sizes.subtitle
        backText: "← Projects"
        onBack: v.closeProps()
        alsoBusy: opener.busy
        above: FailureLine {
            objectName: "proposalsFailure"
            source: opener
        }

        delegate: Card {
            id: proposal
            objectName: "proposalCard_" + index
            title: Value.text(modelData.freelancer_name) || "Freelancer"
            trailing: Value.line([Money.rupees(modelData.amount_paise),
                                  Value.counted(modelData.duration_days, "d")])
            spacing: 3

            Line {
                objectName: "coverLetter_" + proposal.index
                text: Value.paragraph(proposal.modelData.cover_letter).substring(0, 400)
            }
            SteadyButton {
                objectName: "acceptButton_" + proposal.index
                visible: proposal.modelData.status === "submitted"
                text: "Accept — define milestones"
                onClicked: v.acceptFor = proposal.modelData
            }
        }
    }

    FormDialog {
        id: postDialog
        objectName: "postDialog"
        title: "Post a project"
        shown: v.showPost
        submitText: "Post & publish"
        rules: [Limits.chars("Title", postTitle.text.trim(), Limits.projectTitle),
                Limits.chars("Description", postDescription.text.trim(), Limits.projectDescription),
                Limits.rupees("Budget", postBudget.value, Limits.amount)]
        onOpening: {
            postTitle.text = ""
            postDescription.text = ""
            postSkills.text = ""
            postBudget.text = ""
            postHourly.checked = false
        }
        onDismiss: v.showPost = false
        // Created as a draft, then published so that freelancers find it; the publish answer is
        // not judged; the reloaded list shows the status the service gave the project.
        onSubmit: send("POST", "api/projects", v.projectBody(), "", function (data) {
            if (!data || !data.project) {
                session.toast("Project created")
                v.posted()
                return
            }
            postDialog.writer.send("POST", "api/projects/" + Outcome.seg(data.project.id) + "/publish",
                                   {}, function () {
                                       session.toast("Project published")
                                       v.posted()
                                   })
        })

        Field {
            id: postTitle
            objectName: "titleField"
            placeholderText: "Title"
        }
        TextBox {
            id: postDescription
            objectName: "descriptionField"
            placeholderText: "Description (min " + Limits.projectDescription + ")"
            wrapMode: TextArea.NoWrap
        }
        Field {
            id: postSkills
            objectName: "skillsField"
            placeholderText: "Required skills (comma separated)"
        }
        Field {
            id: postBudget
            objectName: "budgetField"
            placeholderText: "Budget ₹"
            digits: true
        }
        Check {
            id: postHourly
            objectName: "hourlyCheck"
            text: "Hourly contract (ZadoZirir billed)"
        }
    }

    FormDialog {
        id: acceptDialog
        objectName: "acceptDialog"
        title: "Accept — milestones"
        shown: v.acceptFor !== null
        submitText: "Accept & create contract"
        rules: [Limits.filled("Milestone 1", title1.text),
                Limits.rupees("Milestone 1 amount", amount1.value, Limits.amount),
                Limits.typed("Milestone 2 amount", amount2)]
        onOpening: {
            title1.text = "Milestone 1"
            amount1.text = String(Money.wholeRupees(v.acceptFor.amount_paise) || 0)
            title2.text = ""
            amount2.text = ""
        }
        onDismiss: v.acceptFor = null
        onSubmit: send("POST", "api/proposals/" + Outcome.seg(v.acceptFor.id) + "/accept",
                       { milestones: v.milestones() }, "Contract created", function () {
                           v.acceptFor = null
                           v.closeProps()
                           v.load()
                       })

        Line {
            text: v.acceptFor ? Value.line(["Split the", Money.rupees(v.acceptFor.amount_paise),
                                            "contract into milestones."], " ") : ""
        }
        RowLayout {
            spacing: 8
            Field {
                id: title1
                objectName: "milestone1Title"
                placeholderText: "Milestone 1"
            }
            Field {
                id: amount1
                objectName: "milestone1Amount"
                placeholderText: "₹"
                digits: true
                Layout.fillWidth: false
                Layout.preferredWidth: 90
            }
        }
        RowLayout {
            spacing: 8
            Field {
                id: title2
                objectName: "milestone2Title"
                placeholderText: "Milestone 2 (optional)"
            }
            Field {
                id: amount2
                objectName: "milestone2Amount"
                placeholderText: "₹"
                digits: true
                Layout.fillWidth: false
                Layout.preferredWidth: 90
            }
        }
    }
}
