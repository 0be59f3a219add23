pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "outcome.js" as Outcome
import "palette.js" as Palette
import "sizes.js" as Sizes
import "value.js" as Value
import "parts"

// The client's teams: create one, invite a person by e-mail, delete one.
Item {
    id: v
    objectName: "TeamsView"

    property alias items: page.items
    property bool showCreate: false
    property var inviteFor: null

    function load() {
        page.reload()
    }

    ListPage {
        id: page
        anchors.fill: parent
        title: "Teams"
        path: "api/teams/mine"
        member: "teams"

        SteadyButton {
            objectName: "newTeamButton"
            text: "+ New team"
            onClicked: v.showCreate = true
        }

        delegate: Card {
            id: card
            objectName: "teamCard_" + index
            spacing: 3
            title: Value.text(modelData.name)
            trailing: Value.counted(modelData.member_count, " members")
            trailingColor: Palette.muted
            trailingBold: false

            Line {
                objectName: "teamDescription_" + card.index
                wrapMode: Text.NoWrap
                visible: text !== ""
                text: Value.text(card.modelData.description)
            }
            RowLayout {
                spacing: 8
                SteadyButton {
                    objectName: "inviteButton_" + card.index
                    text: "Invite member"
                    onClicked: v.inviteFor = card.modelData
                }
                // The service's reason is not shown here, and the list is reloaded either way.
                ActionButton {
                    objectName: "deleteButton_" + card.index
                    text: "Delete"
                    method: "DELETE"
                    path: "api/teams/" + Outcome.seg(card.modelData.id)
                    body: null
                    successText: "Deleted"
                    showServiceError: false
                    onDone: v.load()
                }
            }
        }
    }

    FormDialog {
        objectName: "createDialog"
        width: Sizes.shortDialog
        title: "New team"
        shown: v.showCreate
        submitText: "Create"
        rules: [Limits.chars("Team name", teamName.text.trim(), Limits.teamName)]
        onOpening: {
            teamName.text = ""
            description.text = ""
        }
        onDismiss: v.showCreate = false
        onSubmit: send("POST", "api/teams", {
                           name: teamName.text.trim(),
                           description: description.text.trim()
                       }, "Team created", function () {
                           v.showCreate = false
                           v.load()
                       })

        Field {
            id: teamName
            objectName: "teamNameField"
            placeholderText: "Team name"
        }
        Field {
            id: description
            objectName: "teamDescriptionField"
            placeholderText: "Description (optional)"
        }
    }

    FormDialog {
        objectName: "inviteDialog"
        width: Sizes.shortDialog
        title: "Invite to " + (v.inviteFor ? Value.text(v.inviteFor.name) : "")
        shown: v.inviteFor !== null
        submitText: "Invite"
        // The service judges the address; here an "@" after the first character will do.
        rules: [Limits.email(email.text)]
        onOpening: email.text = ""
        onDismiss: v.inviteFor = null
        onSubmit: send("POST", "api/teams/" + Outcome.seg(v.inviteFor.id) + "/invite", {
                           email: email.text.trim()
                       }, "Invitation sent", function () { v.inviteFor = null })

        Field {
            id: email
            objectName: "inviteEmailField"
            placeholderText: "Email"
        }
    }
}
