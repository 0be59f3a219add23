#include "sandboxtest.h"

class TestSandboxPages : public SandboxTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void whoSeesWhat_data();
    void whoSeesWhat();
    void payingTwiceMovesMoneyOnce();
    void walletForm_data();
    void walletForm();

private:
    SandboxClient *person(int i) const // 0 anonymous, 1 client, 2 freelancer, 3 a new client
    {
        return std::array {anonymous.get(), client.get(), freelancer.get(), otherClient.get()}[i];
    }
};

void TestSandboxPages::initTestCase()
{
    QVERIFY(startSandbox());
    const QJsonObject c = makeContract(*otherClient, *otherFreelancer, u"fixed"_s, {1000});
    server->storage().change(u"UPDATE milestones SET title = '<script>alert(1)</script>' "
                             "WHERE contract_id = ?"_s,
                             {c[u"id"_s].toInteger()});
}

void TestSandboxPages::whoSeesWhat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("who");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    auto row = [](const char *name, const char *path, int who, const char *shown,
                  const char *hidden = "") { // texts "a|b"
        QTest::newRow(name) << QString::fromUtf8(path) << who
                            << QString::fromUtf8(shown).split(u'|')
                            << QString::fromUtf8(hidden).split(u'|', Qt::SkipEmptyParts);
    };
    row("signed out", "contracts", 0, R"(action="/sign-in"|name="next" value="/contracts")");
    // Another client's milestone and a funded one are not listed.
    row("the client's milestones", "contracts", 1, "Full build and rollout · ₹300000|Pay ₹300000",
        "Reporting screens|alert");
    row("a freelancer's milestones", "contracts", 2, "signed in as a freelancer", "Pay");
    row("markup in a title", "contracts", 3, "&lt;script&gt;alert(1)&lt;/script&gt;", "<script");
    row("the freelancer's exam fees", "skills", 2, "C++ — Level 3|Pay ₹499");
    row("a client's exam fees", "skills", 1, "signed in as a client", "Pay");
    row("identity, signed out", "identity", 0, R"(name="next" value="/identity")");
    row("identity, verified", "identity", 1, "Your identity is verified",
        "<form method=\"post\" action=\"/identity\"");
}

void TestSandboxPages::whoSeesWhat()
{
    QFETCH(QString, path);
    QFETCH(int, who);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    const HttpResult page = person(who)->get(path);
    QCOMPARE(page.status, 200);
    for (const QString &text : shown + hidden)
        QVERIFY2(page.raw.contains(text.toUtf8()) == shown.contains(text), qPrintable(text));
}

void TestSandboxPages::payingTwiceMovesMoneyOnce()
{
    // Who pays on which page, the form's field naming what is paid for, the app's answer after.
    for (const auto &[path, who, record, paise, then, thenStatus] :
         {std::tuple {"contracts", 1, "milestone", 30000000, "api/milestones/%1/funding-intents",
                      409},
          {"skills", 2, "fee", 49900, "api/assessments/C%2B%2B/3/start", 201}}) {
        SandboxClient &p = *person(who);
        Storage &db = server->storage();
        const qint64 before = p.balance(), all = Money::totalInWallets(db) + Money::totalHeld(db);
        const HttpResult page = p.get(QLatin1String(path));
        const QString id = page.formField(QLatin1String(record));
        const QString app = QString::fromLatin1(then).replace(u"%1"_s, id);
        // Before, the app is sent to the web with what to pay; the balance shows nothing was held.
        QCOMPARE(p.post(app).number(u"razorpay.amount_paise"_s), paise);
        // A double click, or the same form in a second tab.
        const QList<QPair<QString, QString>> form {{u"csrf"_s, page.formField(u"csrf"_s)},
                                                   {QLatin1String(record), id}};
        QCOMPARE(p.form(QLatin1String(path), form).status, 200);
        QCOMPARE(p.form(QLatin1String(path), form).status, 409);
        // Paid by card: into the wallet and out again, once; the rest as the API would do it.
        QCOMPARE(p.balance(), before);
        QCOMPARE(Money::totalInWallets(db) + Money::totalHeld(db), all + paise);
        QCOMPARE(p.post(app).status, thenStatus);
    }
}

void TestSandboxPages::walletForm_data()
{
    QTest::addColumn<int>("token"); // none, another browser's, the page's own
    QTest::addColumn<QString>("amount");
    QTest::addColumn<int>("status");
    QTest::newRow("no token") << 0 << u"100"_s << 403;
    QTest::newRow("another browser's token") << 1 << u"100"_s << 403;
    QTest::newRow("the API's rule for amounts") << 2 << u"0"_s << 400;
    QTest::newRow("an amount") << 2 << u"2500"_s << 200;
}

void TestSandboxPages::walletForm()
{
    QFETCH(int, token);
    QFETCH(QString, amount);
    QFETCH(int, status);
    const qint64 added = status == 200 ? amount.toLongLong() * 100 : 0;
    const QString tokens[] = {QString(), anonymous->get(u"sign-in"_s).formField(u"csrf"_s),
                              otherClient->get(u"wallet"_s).formField(u"csrf"_s)};
    const qint64 wallet = otherClient->balance();
    const HttpResult r
        = otherClient->form(u"wallet"_s, {{u"csrf"_s, tokens[token]}, {u"amount"_s, amount}});
    QVERIFY(r.status == status && r.header("Content-Type").startsWith("text/html"));
    QCOMPARE(otherClient->balance(), wallet + added);
    if (added)
        QCOMPARE(otherClient->get(u"api/invoices"_s).text(u"invoices.0.description"_s),
                 u"Wallet top-up"_s);
}

QTEST_GUILESS_MAIN(TestSandboxPages)
#include "tst_sandbox_pages.moc"
