import QtQuick

ViewCase {
    name: "GigsView"

    readonly property var gig: ({ id: "g/1", orders_count: 2, packages: [
        { tier: "basic", price_paise: 900 }, { tier: "premium", price_paise: 250 }] })

    function test_rowsAndRoles_data() {
        return [
            { tag: "client", role: "client", mode: false, order: true },
            { tag: "freelancer", role: "freelancer", mode: true, order: false }
        ]
    }

    // The lowest package price; none (nor a count of orders) where the gig has none.
    function test_rowsAndRoles(row) {
        show(row.role, "api/gigs", { gigs: [gig, {}] })
        compare([el("priceLine_0").text, el("priceLine_1").text],
                ["From ₹3 · 2 orders", ""])
        compare(el("modeButton").visible, row.mode)
        click("gigCard_0")
        compare(el("orderButton_0").visible, row.order)
    }

    // A freelancer's own gigs: prices in whole rupees become paise, every package takes the days.
    function test_publish_data() {
        return [
            { tag: "basic with decimals", f: { basicField: "12.9" } },
            { tag: "a letter in an optional price", f: { premiumField: "30x" } },
            { tag: "standard empty", f: { basicField: "12", premiumField: "30" },
              pk: [["basic", 1200], ["premium", 3000]], days: 7, skills: [] },
            { tag: "days 0, grouped, skills with gaps", f: { daysField: "0", standardField: "2,500",
              skillsField: " Qt, ,C++ ,," },
              pk: [["basic", 1000], ["standard", 250000]], days: 7, skills: ["Qt", "C++"] }
        ]
    }

    function test_publish(row) {
        show("freelancer", "api/gigs", { gigs: [gig] })
        click("modeButton")
        compare(v.items, []) // the other mode's rows go at once
        win.answer("GET", "api/gigs/mine", 200, { gigs: [gig] })
        click("gigCard_0")
        compare(v.detail, null) // own gigs open nothing
        open("newGigButton", "createDialog")
        type({ titleField: "Qt desktop app", descriptionField: "x".repeat(50), basicField: "10" })
        type(row.f)
        compare(el("createDialogSubmit").enabled, !!row.pk)
        if (!row.pk)
            return
        click("createDialogSubmit")
        var body = sent()
        compare([body.skills, body.deliveryDays, body.status], [row.skills, row.days, "active"])
        compare(body.packages.map(p => [p.tier, p.price_paise, p.delivery_days]),
                row.pk.map(p => p.concat([row.days])))
    }
}
