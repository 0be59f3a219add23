pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import "limits.js" as Limits
import "money.js" as Money
import "outcome.js" as Outcome
import "sizes.js" as Sizes
import "value.js" as Value
import "parts"

// The gig store, where clients order a package with escrow, and the freelancers' own gigs, which
// they publish and delete.
Item {
    id: v
    objectName: "GigsView"

    property alias items: page.items
    property var detail: null
    property bool mine: false
    property var orderPkg: null
    property bool showCreate: false

    function load() {
        page.reload()
    }

    Session {
        id: session
    }

    // The rows of the other mode go at once, so no row ever shows the buttons or the click of a
    // mode it was not loaded for; the reload supersedes any load still under way for the old one.
    function switchMode() {
        mine = !mine
        page.items = []
        load()
    }

    // The smallest package price in paise; none (NaN) for a gig without packages or with a
    // price that is no amount, whose lowest price the page cannot know.
    function lowestPaise(gig) {
        var packages = Value.rows(gig.packages)
        var lowest = packages.length === 0 ? NaN : Infinity
        for (var i = 0; i < packages.length; ++i)
            lowest = Math.min(lowest, Money.paiseOf(packages[i].price_paise))
        return lowest
    }

    // The body of a new gig. Every package shares the delivery time; a Standard or Premium price
    // that yields no integer above 0 leaves that package out.
    function newGigBody() {
        var days = Money.intOr(daysField.value, 7)
        var packages = []
        var sources = [
            { tier: "basic", label: "Basic", field: basicField },
            { tier: "standard", label: "Standard", field: standardField },
            { tier: "premium", label: "Premium", field: premiumField }
        ]
        for (var i = 0; i < sources.length; ++i) {
            var s = sources[i]
            var price = Money.intOf(s.field.value)
            if (s.tier !== "basic" && !(price > 0))
                continue
            packages.push({
                tier: s.tier,
                label: s.label,
                description: s.label + " package",
                price_paise: price * 100,
                delivery_days: days
            })
        }
        var skills = skillsField.text.split(",").map(function (s) { return s.trim() })
                                                .filter(function (s) { return s.length > 0 })
        return {
            title: titleField.text.trim(),
            description: descriptionField.text.trim(),
            skills: skills,
            deliveryDays: days,
            packages: packages,
            status: "active"
        }
    }

    ListPage {
        id: page
        objectName: "listPage"
        anchors.fill: parent
        visible: v.detail === null
        title: v.mine ? "My gigs" : "Gig Store"
        path: v.mine ? "api/gigs/mine" : "api/gigs"
        member: "gigs"

        SteadyButton {
            objectName: "modeButton"
            visible: session.isFreelancer
            text: v.mine ? "All gigs" : "My gigs"
            onClicked: v.switchMode()
        }
        SteadyButton {
            objectName: "newGigButton"
            visible: v.mine
            text: "+ New gig"
            onClicked: v.showCreate = true
        }

        delegate: Card {
            id: card
            objectName: "gigCard_" + index
            title: Value.text(modelData.title)
            clickable: !v.mine
            onClicked: v.detail = modelData

            Line {
                objectName: "excerpt_" + card.index
                text: Value.paragraph(card.modelData.description).substring(0, 120)
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                Line {
                    objectName: "priceLine_" + card.index
                    kind: "accent"
                    text: Value.line([
                              Value.framed("From ", Money.rupees(v.lowestPaise(card.modelData))),
                              Value.counted(card.modelData.orders_count, " orders")])
                }
                // The service's reason is not shown here, and the list is reloaded either way.
                ActionButton {
                    objectName: "deleteButton_" + card.index
                    visible: v.mine
                    text: "Delete"
                    method: "DELETE"
                    path: "api/gigs/" + Outcome.seg(card.modelData.id)
                    body: null
                    successText: "Gig removed"
                    showServiceError: false
                    onDone: v.load()
                }
            }
        }
    }

    ListPage {
        id: detailPage
        objectName: "detailPage"
        anchors.fill: parent
        visible: v.detail !== null
        backText: "← Back"
        title: v.detail ? Value.text(v.detail.title) : ""
        titleSize: Sizes.subtitle
        items: v.detail ? Value.rows(v.detail.packages) : []
        onBack: v.detail = null

        above: Line {
            objectName: "detailDescription"
            text: v.detail ? Value.paragraph(v.detail.description) : ""
        }

        delegate: Card {
            id: pkg
            objectName: "packageCard_" + index
            title: Value.line([Value.text(modelData.tier), Value.text(modelData.label)], " — ")
            trailing: Money.rupees(modelData.price_paise)

            Line {
                text: Value.paragraph(pkg.modelData.description)
            }
            Line {
                kind: "meta"
                visible: text !== ""
                text: Value.counted(pkg.modelData.delivery_days, "-day delivery")
            }
            SteadyButton {
                objectName: "orderButton_" + pkg.index
                visible: session.isClient
                text: Value.line(["Order", Value.text(pkg.modelData.tier)], " ")
                onClicked: v.orderPkg = pkg.modelData
            }
        }
    }

    FormDialog {
        id: orderDialog
        objectName: "orderDialog"
        width: Sizes.noteDialog
        title: v.orderPkg ? Value.line([Value.line(["Order", Value.text(v.orderPkg.tier)], " "),
                                        Money.rupees(v.orderPkg.price_paise)], " — ") : ""
        shown: v.orderPkg !== null
        submitText: "Escrow & order"
        onOpening: instructionsField.text = ""
        onDismiss: v.orderPkg = null
        onSubmit: send("POST", "api/gigs/" + Outcome.seg(v.detail.id) + "/order", {
                           packageTier: v.orderPkg.tier,
                           instructions: instructionsField.text.trim()
                       }, "Order placed", function () {
                           v.orderPkg = null
                           v.detail = null
                       })

        Line {
            text: "Escrowed from your wallet now; released when you accept delivery."
        }
        TextBox {
            id: instructionsField
            objectName: "instructionsField"
            placeholderText: "Instructions (optional)"
            Layout.preferredHeight: 100
        }
    }

    FormDialog {
        id: createDialog
        objectName: "createDialog"
        title: "New gig"
        shown: v.showCreate
        submitText: "Publish"
        rules: [Limits.chars("Title", titleField.text.trim(), Limits.gigTitle),
                Limits.chars("Description", descriptionField.text.trim(), Limits.gigDescription),
                Limits.rupees("Basic price", basicField.value, Limits.amount),
                Limits.typed("Days", daysField),
                Limits.typed("Standard price", standardField),
                Limits.typed("Premium price", premiumField)]
        onOpening: {
            for (const f of [titleField, descriptionField, skillsField, basicField, standardField,
                             premiumField])
                f.text = ""
            daysField.text = "7"
        }
        onDismiss: v.showCreate = false
        onSubmit: send("POST", "api/gigs", v.newGigBody(), "Gig published", function () {
                           v.showCreate = false
                           v.load()
                       })

        Field {
            id: titleField
            objectName: "titleField"
            placeholderText: "Title (min " + Limits.gigTitle + ")"
        }
        TextBox {
            id: descriptionField
            objectName: "descriptionField"
            placeholderText: "Description (min " + Limits.gigDescription + ")"
            Layout.preferredHeight: 80
        }
        Field {
            id: skillsField
            objectName: "skillsField"
            placeholderText: "Skills (comma separated)"
        }
        RowLayout {
            spacing: 8
            Field {
                id: daysField
                objectName: "daysField"
                placeholderText: "Days"
                digits: true
                digitsHint: "Whole days in digits"
            }
            Field {
                id: basicField
                objectName: "basicField"
                placeholderText: "Basic ₹"
                digits: true
            }
        }
        RowLayout {
            spacing: 8
            Field {
                id: standardField
                objectName: "standardField"
                placeholderText: "Standard ₹"
                digits: true
            }
            Field {
                id: premiumField
                objectName: "premiumField"
                placeholderText: "Premium ₹"
                digits: true
            }
        }
    }
}
