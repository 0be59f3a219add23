import QtQuick

ViewCase {
    name: "ProjectsView"

    readonly property string about: "A storefront in Qt with a catalogue and a cart."

    function showProposals(proposals, status) {
        show("client", "api/my/projects", { projects: [{ id: 3, title: "Shop" }] })
        click("projectCard_0")
        win.answer("GET", "api/projects/3/proposals", status || 200, { proposals: proposals })
    }

    // Created, then published: the publish answer is not judged.
    function test_post_data() {
        return [
            { tag: "title of 4", f: { titleField: "  Shop  " } },
            { tag: "description of 29", f: { descriptionField: "x".repeat(29) + "   " } },
            { tag: "budget 0", f: { budgetField: "0" } },
            { tag: "published", hourly: true, created: [201, { project: { id: 9 } }],
              toast: "Project published", body: { title: "Shop window", description: about,
              requiredSkills: ["Qt", "C++"], budget: "12000", projectType: "hourly" } },
            { tag: "no project in the reply", f: { skillsField: "" }, created: [200, {}],
              toast: "Project created", body: { requiredSkills: [], projectType: "fixed" } }
        ]
    }

    function test_post(row) {
        show("client", "api/my/projects", { projects: [] })
        open("postButton", "postDialog")
        type({ titleField: " Shop window ", descriptionField: about, skillsField: " Qt, ,C++ ,",
               budgetField: "12,000" })
        type(row.f || {})
        el("hourlyCheck").checked = !!row.hourly
        compare(el("postDialogSubmit").enabled, !!row.created)
        if (!row.created)
            return
        click("postDialogSubmit")
        for (var k in row.body)
            compare(sent()[k], row.body[k], k)
        win.answer("POST", "api/projects", row.created[0], row.created[1])
        if (row.hourly) {
            compare(win.toasts, [])
            win.answer("POST", "api/projects/9/publish", 409, {})
        }
        compare(win.count("POST", "api/projects/9/publish"), row.hourly ? 1 : 0)
        compare([win.toasts, v.showPost, win.count("GET", "api/my/projects")],
                [[row.toast], false, 2])
    }

    // The first milestone is prefilled; the second is sent only with both title and amount.
    function test_accept_data() {
        var first = { title: "Milestone 1", amount: "1201" }
        return [
            { tag: "prefilled", sent: [first] },
            { tag: "blank title is sent empty", t1: "  ", sent: [{ title: "", amount: "1201" }] },
            { tag: "empty title", t1: "" },
            { tag: "amount 0", a1: "0" },
            { tag: "two", t2: " Launch ", a2: "500", a1: "700", sent: [
                { title: "Milestone 1", amount: "700" }, { title: "Launch", amount: "500" }] },
            { tag: "second without amount", t2: "Launch", sent: [first] }
        ]
    }

    function test_accept(row) {
        showProposals([{ id: 4, amount_paise: 120050, status: "submitted" },
                       { status: "declined" }])
        compare(shown(["acceptButton_0", "acceptButton_1"]), ["acceptButton_0"])
        open("acceptButton_0", "acceptDialog")
        var names = { t1: "milestone1Title", a1: "milestone1Amount", t2: "milestone2Title",
                      a2: "milestone2Amount" }
        compare(Object.values(names).map(n => el(n).text), ["Milestone 1", "1201", "", ""])
        for (var f in names)
            if (row[f] !== undefined)
                el(names[f]).text = row[f]
        if (!submits("acceptDialog", row.sent && { milestones: row.sent }))
            return
        win.answer("POST", "api/proposals/4/accept", 201, {})
        compare([win.toasts, v.acceptFor, v.proposalsFor], [["Contract created"], null, null])
        compare(win.count("GET", "api/my/projects"), 2)
    }
}
