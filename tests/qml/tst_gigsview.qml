import QtQuick
import QtTest
import Velto

Item {
    id: top
    width: 1000
    height: 760

    FakeWin {
        id: win
    }
    Component {
        id: viewComp
        GigsView {
            anchors.fill: parent
        }
    }

    TestCase {
        name: "GigsView"
        when: windowShown

        property var v: null
        readonly property var gig: ({ id: "g/1", title: "Qt app", description: "d", orders_count: 2,
                                      packages: [{ tier: "basic", price_paise: 5000 }, { tier: "premium", price_paise: 9000 }] })

        function show(role, gigs) {
            win.reset()
            win.user = { id: 2, role: role }
            v = createTemporaryObject(viewComp, top)
            if (gigs)
                win.answer("GET", "api/gigs", 200, { gigs: gigs })
            waitForItemPolished(v)
        }
        function el(name) {
            var item = findChild(v, name)
            verify(item !== null, "no item " + name)
            return item
        }
        function mine() {
            show("freelancer", [])
            mouseClick(el("modeButton"))
            win.answer("GET", "api/gigs/mine", 200, { gigs: [gig] })
        }
        function openCreate(fields) {
            mine()
            mouseClick(el("newGigButton"))
            tryCompare(el("createDialog"), "opened", true)
            var base = { titleField: "Qt desktop app", descriptionField: "x".repeat(50), basicField: "10" }
            for (var k in fields)
                base[k] = fields[k]
            for (k in base)
                el(k).text = base[k]
        }

        function test_rows_data() {
            return [
                { tag: "no packages, no count", g: { description: "x".repeat(200) }, line: "From ₹0 · 0 orders", cut: 120 },
                { tag: "lowest, halves up", g: { packages: [{ price_paise: 900 }, { price_paise: 250 }], orders_count: 4 }, line: "From ₹3 · 4 orders" },
                { tag: "249 paise", g: { packages: [{ price_paise: 249 }] }, line: "From ₹2 · 0 orders" }
            ]
        }
        function test_rows(row) {
            show("client", [row.g])
            compare(el("priceLine_0").text, row.line)
            if (row.cut)
                compare(el("excerpt_0").text.length, row.cut)
        }

        function test_roleGates_data() {
            return [{ tag: "client", role: "client", mode: false, order: true },
                    { tag: "freelancer", role: "freelancer", mode: true, order: false }]
        }
        function test_roleGates(row) {
            show(row.role, [gig])
            compare(el("modeButton").visible, row.mode)
            compare(el("deleteButton_0").visible, false)
            mouseClick(el("gigCard_0"))
            compare(v.detail, gig)
            compare(findChild(el("detailPage"), "list").count, 2)
            compare(el("orderButton_0").visible, row.order)
        }

        function test_modeSwitchDropsTheOldMode() {
            show("freelancer", [gig])
            mouseClick(el("modeButton"))
            compare(v.items, []) // at once
            for (var i = 0; i < 2; ++i) {
                waitForRendering(v) // the button moves as "+ New gig" comes and goes
                mouseClick(el("modeButton"))
            }
            win.answer("GET", "api/gigs", 200, { gigs: [gig] }) // late answers of modes left
            win.answer("GET", "api/gigs/mine", 200, { gigs: [gig, gig] })
            compare(v.items, [])
            win.answer("GET", "api/gigs/mine", 200, { gigs: [gig] })
            compare(v.items.length, 1)
            waitForItemPolished(v)
            verify(el("deleteButton_0").visible)
            mouseClick(el("gigCard_0"))
            compare(v.detail, null) // own gigs open nothing
        }

        function test_publish_data() {
            return [
                { tag: "title 9 + blanks", f: { titleField: "  123456789 " }, on: false },
                { tag: "description 49", f: { descriptionField: " " + "x".repeat(49) }, on: false },
                { tag: "basic starts with a letter", f: { basicField: "a12" }, on: false },
                { tag: "basic 0", f: { basicField: "0" }, on: false },
                { tag: "decimals, standard empty", f: { basicField: "12.9", premiumField: "30" }, on: true,
                  pk: [["basic", 1200], ["premium", 3000]], days: 7, skills: [] },
                { tag: "days 0, skills with gaps", f: { daysField: "0", standardField: " 20", premiumField: "x", skillsField: " Qt, ,C++ ,," },
                  on: true, pk: [["basic", 1000], ["standard", 2000]], days: 7, skills: ["Qt", "C++"] },
                { tag: "days text, negative", f: { daysField: "-3d" }, on: true, pk: [["basic", 1000]], days: -3, skills: [] }
            ]
        }
        function test_publish(row) {
            openCreate(row.f)
            compare(el("createDialogSubmit").enabled, row.on)
            if (!row.on)
                return
            mouseClick(el("createDialogSubmit"))
            var sent = JSON.parse(win.lastCall().body)
            compare(Object.keys(sent), ["title", "description", "skills", "deliveryDays", "packages", "status"])
            compare([sent.skills, sent.deliveryDays, sent.status], [row.skills, row.days, "active"])
            compare(sent.packages.map(function (p) { return [p.tier, p.price_paise] }), row.pk)
            compare(Object.keys(sent.packages[0]), ["tier", "label", "description", "price_paise", "delivery_days"])
            sent.packages.forEach(function (p) { compare(p.delivery_days, row.days) })
        }

        function test_outcomes() {
            openCreate({ titleField: " A gig title here " })
            mouseClick(el("createDialogSubmit"))
            compare(JSON.parse(win.lastCall().body).title, "A gig title here")
            win.answer("POST", "api/gigs", 400, { error: "Too long" })
            verify(v.showCreate) // stays open with what was typed
            compare(el("titleField").text, " A gig title here ")
            mouseClick(el("createDialogSubmit"))
            win.answer("POST", "api/gigs", 201, {})
            verify(!v.showCreate)
            win.answer("GET", "api/gigs/mine", 200, { gigs: [gig] })
            waitForItemPolished(v)
            mouseClick(el("deleteButton_0"))
            win.answer("DELETE", "api/gigs/g%2F1", 404, { error: "Gig not found" })
            compare(win.toasts, ["Too long", "Gig published", "Failed"])
            verify(win.findCall("GET", "api/gigs/mine") !== null) // reloaded all the same
        }

        function test_order_data() {
            return [{ tag: "placed", status: 201, toast: "Order placed", open: false },
                    { tag: "refused", status: 400, body: { error: "Insufficient balance" }, toast: "Insufficient balance", open: true }]
        }
        function test_order(row) {
            show("client", [gig])
            mouseClick(el("gigCard_0"))
            waitForItemPolished(v)
            mouseClick(el("orderButton_1"))
            tryCompare(el("orderDialog"), "opened", true)
            el("instructionsField").text = "  by Friday \n"
            mouseClick(el("orderDialogSubmit"))
            compare(win.lastCall().body, '{"packageTier":"premium","instructions":"by Friday"}')
            win.answer("POST", "api/gigs/g%2F1/order", row.status, row.body)
            compare(win.toasts, [row.toast])
            compare([v.orderPkg !== null, v.detail !== null], [row.open, row.open])
            compare(el("instructionsField").text, "  by Friday \n")
            compare(win.findCall("GET", "api/gigs"), null) // no reload
        }
    }
}
