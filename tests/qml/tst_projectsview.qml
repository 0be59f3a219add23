import QtQuick

ViewCase {
    name: "ProjectsView"

    readonly property string about: "A storefront in Qt with a catalogue and a cart."

    // Created, then published: the publish answer is not judged.
    function test_post_data() {
        return [
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
        type(row.f)
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

    // The first milestone is prefilled; the second is sent only with both title and amount (two
    // are walked end to end).
    function test_accept_data() {
        var first = { title: "Milestone 1", amount: "1201" }
        return [
            { tag: "prefilled", sent: [first] },
            { tag: "blank title is sent empty", f: { milestone1Title: "  " },
              sent: [{ title: "", amount: "1201" }] },
            { tag: "amount 0", f: { milestone1Amount: "0" } },
            { tag: "second without amount", f: { milestone2Title: "Launch" }, sent: [first] }
        ]
    }

    function test_accept(row) {
        show("client", "api/my/projects", { projects: [{ id: 3, title: "Shop" }] })
        click("projectCard_0")
        win.answer("GET", "api/projects/3/proposals", 200, { proposals: [
            { id: 4, amount_paise: 120050, status: "submitted" }, { status: "declined" }] })
        compare(shown(["acceptButton_0", "acceptButton_1"]), ["acceptButton_0"])
        open("acceptButton_0", "acceptDialog")
        compare(Array.from(["milestone1Title", "milestone1Amount", "milestone2Title",
                            "milestone2Amount"], n => el(n).text), ["Milestone 1", "1201", "", ""])
        type(row.f)
        if (!submits("acceptDialog", row.sent && { milestones: row.sent }))
            return
        win.answer("POST", "api/proposals/4/accept", 201, {})
        compare([win.toasts, v.acceptFor, v.proposalsFor], [["Contract created"], null, null])
        compare(win.count("GET", "api/my/projects"), 2)
    }
}
