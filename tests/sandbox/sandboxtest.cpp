#include "sandboxtest.h"

#include <QBuffer>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslConfiguration>

QJsonObject json(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (!doc.isObject())
        qFatal("not a JSON object (%s): %s", qPrintable(error.errorString()), qPrintable(text));
    return doc.object();
}

QJsonObject merged(QJsonObject object, const char *change)
{
    const QJsonObject c = json(QString::fromUtf8(change));
    for (auto it = c.begin(); it != c.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QJsonValue jsonAt(const QJsonValue &value, const QString &path)
{
    QJsonValue v = value;
    for (const QString &step : path.split(u'.', Qt::SkipEmptyParts)) {
        bool index = false;
        const int i = step.toInt(&index);
        v = index && v.isArray() ? v.toArray().at(i) : v.toObject().value(step);
    }
    return v;
}

QString HttpResult::formField(const QString &name) const
{
    const QRegularExpression input(u"name=\"%1\" value=\"([^\"]*)\""_s.arg(name));
    return input.match(QString::fromUtf8(raw)).captured(1);
}

QJsonObject HttpResult::row(const QString &path, const QJsonValue &id) const
{
    for (const QJsonValue &v : list(path)) {
        if (v[u"id"_s] == id)
            return v.toObject();
    }
    return {};
}

SandboxClient::SandboxClient(quint16 port)
    : base(u"https://localhost:%1"_s.arg(port)), originHeader(base.toUtf8())
{
    [[maybe_unused]] static const bool caTrusted = [] {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        if (!config.addCaCertificates(QString::fromUtf8(VELTO_TEST_CA_FILE)))
            qFatal("cannot read the development CA %s", VELTO_TEST_CA_FILE);
        QSslConfiguration::setDefaultConfiguration(config);
        return true;
    }();
}

HttpResult SandboxClient::send(const QByteArray &method, const QString &path,
                               const QByteArray &body, const QByteArray &type)
{
    QNetworkRequest request(QUrl(path.startsWith("https:"_L1) ? path : base + u'/' + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, type);
    if (!originHeader.isEmpty())
        request.setRawHeader("Origin", originHeader);
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        request.setRawHeader(it.key(), it.value());
    auto *buffer = new QBuffer;
    buffer->setData(body);
    buffer->open(QIODevice::ReadOnly);
    QNetworkReply *reply = nam.sendCustomRequest(request, method, buffer);
    buffer->setParent(reply);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(60000); // a hung server fails, not hangs
    HttpResult result;
    if (reply->isFinished()) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.raw = reply->readAll();
        for (const auto &[name, value] : reply->rawHeaderPairs())
            result.headers.insert(name.toLower(), value);
        result.json = QJsonDocument::fromJson(result.raw).object();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return result;
}

HttpResult SandboxClient::form(const QString &path, const QList<QPair<QString, QString>> &fields)
{
    QByteArrayList pairs;
    for (const auto &[name, value] : fields)
        pairs << QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    return send("POST", path, pairs.join('&'), "application/x-www-form-urlencoded");
}

HttpResult SandboxClient::login(const QString &email, const QString &password,
                                const QString &totpCode)
{
    QJsonObject body {{u"email"_s, email}, {u"password"_s, password}};
    if (!totpCode.isEmpty())
        body.insert(u"totpCode"_s, totpCode);
    const HttpResult r = post(u"api/auth/login"_s, body);
    if (r.status == 200) {
        id = r.id(u"user"_s);
        this->email = r.text(u"user.email"_s);
    }
    return r;
}

HttpResult SandboxClient::signInOnPage(const HttpResult &page, const QString &email,
                                       const QString &password, const QString &totpCode)
{
    return form(u"sign-in"_s,
                {{u"csrf"_s, page.formField(u"csrf"_s)},
                 {u"next"_s, page.formField(u"next"_s)},
                 {u"email"_s, email},
                 {u"password"_s, password},
                 {u"totpCode"_s, totpCode}});
}

QStringList SandboxClient::notificationKinds()
{
    QStringList kinds;
    for (const QJsonValue &n : get(u"api/notifications"_s).list(u"notifications"_s))
        kinds << n[u"kind"_s].toString();
    return kinds;
}

DemoAccount demoAccount(const QString &email)
{
    for (const DemoAccount &a : demoAccounts()) {
        if (a.email == email)
            return a;
    }
    return DemoAccount();
}

SandboxOptions SandboxTest::testOptions(const QString &dbPath, bool seed)
{
    SandboxOptions options;
    options.port = 0;
    options.dbPath = dbPath;
    options.seed = seed;
    options.pbkdf2Iterations = 10;
    options.printToStdout = false;
    return options;
}

bool SandboxTest::startSandbox()
{
    server = std::make_unique<SandboxServer>(testOptions());
    QString error;
    if (server->start(&error) == 0) {
        qWarning("sandbox did not start: %s", qPrintable(error));
        return false;
    }
    client = std::make_unique<SandboxClient>(server->port());
    freelancer = std::make_unique<SandboxClient>(server->port());
    anonymous = std::make_unique<SandboxClient>(server->port());
    otherClient = newPerson(u"client"_s);
    otherFreelancer = newPerson(u"freelancer"_s);
    return client->login(demoAccount(u"client@velto.test"_s)).status == 200
        && freelancer->login(demoAccount(u"freelancer@velto.test"_s)).status == 200
        && otherClient->id && otherFreelancer->id;
}

std::unique_ptr<SandboxClient> SandboxTest::newPerson(const QString &role)
{
    static int count = 0;
    auto p = std::make_unique<SandboxClient>(server->port());
    const QString email = u"%1.%2@tests.velto.test"_s.arg(role).arg(++count);
    const QString password = u"password-of-"_s + email;
    const QJsonObject body {{u"email"_s, email},        {u"password"_s, password},
                            {u"fullName"_s, email},     {u"role"_s, role},
                            {u"termsAccepted"_s, true}, {u"privacyAccepted"_s, true}};
    if (p->post(u"api/auth/register"_s, body).status == 201
        && p->get(server->lastLink(u"verify-link"_s, email)).status == 200)
        p->login(email, password);
    return p;
}

void SandboxTest::topUp(const SandboxClient &who, qint64 rupees)
{
    Storage::Transaction t(server->storage());
    Money::deposit(server->storage(), who.id, rupees * Money::PaisePerRupee, u"Test top-up"_s);
    t.commit();
}

QByteArray SandboxTest::fingerprint()
{
    Storage &db = server->storage();
    QByteArray out;
    for (const QJsonValue &t : db.all(u"SELECT name FROM sqlite_master WHERE type = 'table' "
                                      "AND name NOT IN ('sessions', 'email_tokens')"_s)) {
        // Table names come from sqlite_master, not from input.
        const QString name = t[u"name"_s].toString();
        out += name.toUtf8() + ':'
            + QJsonDocument(db.all(u"SELECT * FROM \"%1\" ORDER BY rowid"_s.arg(name))).toJson();
    }
    return out;
}

QJsonObject SandboxTest::makeContract(SandboxClient &buyer, SandboxClient &seller,
                                      const QString &type, const QList<qint64> &milestoneRupees)
{
    QJsonArray milestones;
    for (qint64 rupees : milestoneRupees)
        milestones.append(QJsonObject {{u"amount"_s, QString::number(rupees)}});
    QJsonObject body = R"({"title": "A contract project", "budget": "1000", "amount": "1000",
        "description": "A description that is long enough for the form.", "durationDays": 10,
        "coverLetter": "A cover letter comfortably longer than thirty."})"_json;
    body.insert(u"projectType"_s, type);
    const qint64 project = buyer.post(u"api/projects"_s, body).id(u"project"_s);
    buyer.post(u"api/projects/%1/publish"_s.arg(project));
    const qint64 proposal
        = seller.post(u"api/projects/%1/proposals"_s.arg(project), body).id(u"proposal"_s);
    return buyer.post(u"api/proposals/%1/accept"_s.arg(proposal), {{u"milestones"_s, milestones}})
        .at(u"contract"_s)
        .toObject();
}

QString SandboxTest::jpegDataUrl(int padding)
{
    const QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffd9");
    return u"data:image/jpeg;base64,"_s
        + QString::fromLatin1((jpeg + QByteArray(padding, 0)).toBase64());
}
