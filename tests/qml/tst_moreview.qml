import QtQuick

// The More page's reading of its replies and its dialogs' rules; tst_e2e_account runs the rest.
ViewCase {
    name: "MoreView"

    // What the page shows: account, KYC, notice, bank, bank button, referral link and line.
    function test_page_data() {
        return [
            { tag: "verified freelancer",
              user: { full_name: "Ravi", role: "freelancer", kyc_status: "verified" },
              bank: { account_last4: "7891" },
              affiliate: { shareUrl: "https://x/s?ref=AB", referrals: [{}, {}],
                           commissionPercent: 0 },
              shown: ["Ravi", "freelancer · KYC: verified", false, "Bank ••••7891", "Update bank",
                      "https://x/s?ref=AB", "2 referrals · earn 10% of first plan purchase"] },
            { tag: "client, null KYC, no name, affiliate not JSON",
              user: { full_name: "", email: "a@x", role: "client", kyc_status: null },
              affiliate: "oops",
              shown: ["a@x", "client · KYC: not started", true, "No bank account on file",
                      "Add bank", "", ""] }
        ]
    }

    function test_page(row) {
        show(row.user, "api/affiliate", row.affiliate)
        win.answer("GET", "api/settlements", 200, { settlements: [], bankAccount: row.bank })
        compare([el("accountCard").title, el("kycLine").text, el("kycNotice").visible,
                 el("bankCard").title, el("bankButton").text, el("shareUrlField").text,
                 el("referralLine").text], row.shown)
        compare(el("withdrawButton").visible, row.user.role === "freelancer")
        verify(el("kycNotice").text.indexOf(" " + api.origin.replace("https://", "") + " ") > 0)
    }

    // The fields typed; the body sent (none: the button stays disabled).
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
            bank("IFSC of 10", "A", "123456", "HDFC000123"),
            bank("IFSC of 12", "A", "123456", "HDFC00012345"),
            bank("blank holder sent empty, IFSC upper-cased", "   ", "501 002", "hdfc0001234",
                 { accountHolder: "", accountNumber: "501002", ifsc: "HDFC0001234" }),
            settle("999", "999"),
            settle("1000", "1000", { amount: "1000" }),
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

    // The card follows the service: the user record is fetched with every load, and the page
    // loads again on coming back from the identity page.
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
