import QtQuick

// The More page's reading of its replies and its dialogs' rules; tst_e2e_account runs the rest.
ViewCase {
    name: "MoreView"

    // A record with gaps: the e-mail for a missing name, KYC not started, no bank, an affiliate
    // answer that is not JSON; withdrawals for a freelancer only. A full one is walked end to end.
    function test_page() {
        show({ full_name: "", email: "a@x", role: "client", kyc_status: null }, "api/affiliate",
             "oops")
        win.answer("GET", "api/settlements", 200, { settlements: [] })
        compare([el("accountCard").title, el("kycLine").text, el("kycNotice").visible,
                 el("bankCard").title, el("shareUrlField").text, el("referralLine").text,
                 el("withdrawButton").visible],
                ["a@x", "client · KYC: not started", true, "No bank account on file", "", "", false])
    }

    function test_dialogs_data() {
        function bank(tag, holder, number, ifsc, sent) {
            return { tag: tag, dialog: "bankDialog", call: "PUT api/bank-account", sent: sent,
                     fields: { holderField: holder, accountNumberField: number, ifscField: ifsc } }
        }
        function settle(tag, amount, sent) {
            return { tag: tag, dialog: "settleDialog", call: "POST api/settlements", sent: sent,
                     fields: { amountField: amount } }
        }
        return [
            bank("holder empty", "", "123456", "HDFC0001234"),
            bank("number of 5", "A", "12345", "HDFC0001234"),
            bank("IFSC of 12", "A", "123456", "HDFC00012345"),
            bank("blank holder sent empty, IFSC upper-cased", "   ", "501 002", "hdfc0001234",
                 { accountHolder: "", accountNumber: "501002", ifsc: "HDFC0001234" }),
            settle("999", "999"),
            settle("the digits typed", "  1,500", { amount: "1500" })
        ]
    }

    function test_dialogs(row) {
        show("freelancer", "api/affiliate", {})
        win.answer("GET", "api/settlements", 200, {})
        open(row.dialog === "bankDialog" ? "bankButton" : "withdrawButton", row.dialog)
        type(row.fields)
        if (submits(row.dialog, row.sent))
            compare(win.lastCall().method + " " + win.lastCall().path, row.call)
    }

    // The card follows the service: the user is fetched again on return from the identity page.
    function test_identityFollowsTheService() {
        show({ id: 2, role: "freelancer" }, "api/affiliate", {})
        click("identityButton")
        win.answer("POST", "api/auth/web-link", 404, {})
        win.active = false
        win.active = true
        var me = win.calls.filter(c => c.path === "api/auth/me")
        win.answerCall(me[1], 200, { user: { id: 2, role: "freelancer", kyc_status: "verified" } })
        compare([machine.urls, el("kycLine").text, shown(["kycNotice", "identityButton"])],
                [[api.origin + "/identity"], "freelancer · KYC: verified", []])
    }
}
