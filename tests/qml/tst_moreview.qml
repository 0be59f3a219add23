import QtQuick
import QtTest
import Velto
import "qrc:/qt/qml/Velto/qml/serviceorigin.js" as Service

// The More page's reading of its replies and its dialogs' rules; tst_e2e_account runs the rest.
Item {
    id: top
    width: 1000
    height: 760
    FakeWin { id: win }
    Component { id: moreComp; MoreView { anchors.fill: parent } }

    TestCase {
        name: "MoreView"
        when: windowShown
        property var v: null

        function el(name) { return findChild(v, name) }

        // Page rows: what it shows. Dialog rows: the body sent once filled (none: submit disabled).
        function test_more_data() {
            var fl = { role: "freelancer" }, bank = ["bankButton", "bankDialog", "PUT api/bank-account"], settle = ["withdrawButton", "settleDialog", "POST api/settlements"]
            function b(tag, h, n, i, sent) { return { tag: tag, user: fl, k: bank, fields: { holderField: h, accountNumberField: n, ifscField: i }, sent: sent } }
            function s(tag, a, sent) { return { tag: tag, user: fl, k: settle, fields: { amountField: a }, sent: sent } }
            return [
                { tag: "verified freelancer", user: { full_name: "Ravi", role: "freelancer", kyc_status: "verified" }, bank: { account_last4: "7891" },
                  affiliate: { shareUrl: "https://x/s?ref=AB", referrals: [{}, {}], commissionPercent: 0 },
                  shown: ["Ravi", "freelancer · KYC: verified", "Bank ••••7891", "Update bank", "https://x/s?ref=AB", "2 referrals · earn 10% of first plan purchase"] },
                { tag: "client, null KYC, no name, affiliate not JSON", user: { full_name: "", email: "a@x", role: "client", kyc_status: null }, affiliate: "oops",
                  shown: ["a@x", "client · KYC: not started", "No bank account on file", "Add bank", "", ""] },
                b("holder empty", "", "123456", "HDFC0001234"), b("number of 5", "A", "12345", "HDFC0001234"),
                b("IFSC of 10", "A", "123456", "HDFC000123"), b("IFSC of 12", "A", "123456", "HDFC00012345"),
                b("blank holder sent empty, IFSC upper-cased", "   ", " 50100 ", "hdfc0001234", { accountHolder: "", accountNumber: " 50100 ", ifsc: "HDFC0001234" }),
                s("999", "999"), s("1000", "1000", { amount: "1000" }), s("sent as typed", "  1500abc", { amount: "  1500abc" })
            ]
        }
        function test_more(row) {
            win.reset()
            win.user = row.user
            v = createTemporaryObject(moreComp, top)
            win.answer("GET", "api/affiliate", 200, row.affiliate || {})
            win.answer("GET", "api/settlements", 200, { bankAccount: row.bank })
            var verified = row.user.kyc_status === "verified"
            compare([Qt.colorEqual(el("kycLine").color, "#6E97FF"), el("kycNotice").visible, el("withdrawButton").visible], [verified, !verified, row.user.role === "freelancer"])
            compare(el("kycNotice").text, "Complete identity verification on " + Service.origin.replace("https://", "") + " or the Android app to unlock all features.")
            if (row.shown)
                compare([el("accountCard").title, el("kycLine").text, el("bankCard").title, el("bankButton").text, el("shareUrlField").text, el("referralLine").text], row.shown)
            if (!row.k) return
            mouseClick(el(row.k[0]))
            tryCompare(el(row.k[1]), "opened", true)
            for (var f in row.fields) el(f).text = row.fields[f]
            compare(el(row.k[1] + "Submit").enabled, !!row.sent)
            mouseClick(el(row.k[1] + "Submit"))
            if (row.sent)
                compare([win.lastCall().method + " " + win.lastCall().path, JSON.parse(win.lastCall().body)], [row.k[2], row.sent])
        }
    }
}
