import QtQuick
import QtTest
import Velto

Item {
    id: top; width: 1000; height: 760
    FakeWin { id: win }
    Component { id: viewComp; GigsView { anchors.fill: parent } }

    TestCase {
        name: "GigsView"; when: windowShown
        property var v: null
        readonly property var gig: ({ id: "g/1", title: "Qt app", orders_count: 2, packages: [{ tier: "basic", price_paise: 900 }, { tier: "premium", price_paise: 250 }] })
        function show(role, gigs) {
            win.reset(); win.user = { id: 2, role: role }; v = createTemporaryObject(viewComp, top)
            win.answer("GET", "api/gigs", 200, { gigs: gigs }); waitForRendering(v)
        }
        function el(name) { var item = findChild(v, name); verify(item !== null, name); return item }
        function click(name) { waitForRendering(v); mouseClick(el(name)) } // once laid out: buttons move as others come and go

        function test_rowsAndRoles_data() { return [{ tag: "client", role: "client", mode: false, order: true }, { tag: "freelancer", role: "freelancer", mode: true, order: false }] }
        function test_rowsAndRoles(row) {
            show(row.role, [gig, { description: "x".repeat(200) }])
            compare([el("priceLine_0").text, el("priceLine_1").text, el("excerpt_1").text.length, el("modeButton").visible], ["From ₹3 · 2 orders", "From ₹0 · 0 orders", 120, row.mode])
            click("gigCard_0"); compare(el("orderButton_0").visible, row.order)
        }

        function test_modeSwitchShowsOnlyTheModeShown() {
            show("freelancer", [gig]); click("modeButton"); compare(v.items, []) // at once
            click("modeButton"); click("modeButton") // and late answers of modes left are dropped
            for (var answer of [["api/gigs", [gig]], ["api/gigs/mine", [gig, gig]], ["api/gigs/mine", [gig]]]) win.answer("GET", answer[0], 200, { gigs: answer[1] })
            compare(v.items.length, 1); click("gigCard_0"); compare(v.detail, null) // own gigs open nothing
        }

        function test_publish_data() { return [
                    { tag: "title 9 + blanks", f: { titleField: "  123456789 " } }, { tag: "basic a12", f: { basicField: "a12" } },
                    { tag: "decimals, standard empty", f: { basicField: "12.9", premiumField: "30" }, pk: [["basic", 1200], ["premium", 3000]], days: 7, skills: [] },
                    { tag: "days 0, skills with gaps", f: { daysField: "0", standardField: " 20", premiumField: "x", skillsField: " Qt, ,C++ ,," }, pk: [["basic", 1000], ["standard", 2000]], days: 7, skills: ["Qt", "C++"] },
                    { tag: "days negative", f: { daysField: "-3d" }, pk: [["basic", 1000]], days: -3, skills: [] }] }
        function test_publish(row) {
            show("freelancer", []); click("modeButton"); click("newGigButton"); var f = Object.assign({ titleField: "Qt desktop app", descriptionField: "x".repeat(50), basicField: "10" }, row.f)
            for (var k in f) el(k).text = f[k]
            compare(el("createDialogSubmit").enabled, !!row.pk); if (!row.pk) return
            mouseClick(el("createDialogSubmit")); var sent = JSON.parse(win.lastCall().body)
            compare([Object.keys(sent), Object.keys(sent.packages[0])], [["title", "description", "skills", "deliveryDays", "packages", "status"], ["tier", "label", "description", "price_paise", "delivery_days"]])
            compare([sent.skills, sent.deliveryDays, sent.status], [row.skills, row.days, "active"])
            compare(sent.packages.map(function (p) { return [p.tier, p.price_paise, p.delivery_days] }), row.pk.map(function (p) { return p.concat([row.days]) }))
        }

        function test_order() {
            show("client", [gig]); click("gigCard_0"); click("orderButton_1")
            el("instructionsField").text = "  by Friday \n"; mouseClick(el("orderDialogSubmit"))
            compare(win.answer("POST", "api/gigs/g%2F1/order", 201, {}).body, '{"packageTier":"premium","instructions":"by Friday"}')
            compare([win.toasts, v.orderPkg, v.detail, win.findCall("GET", "api/gigs")], [["Order placed"], null, null, null]) // back to the list without a reload
        }
    }
}
