#include "sandboxtest.h"

#include "money.h"
#include "server.h"
#include "storage.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimer>
#include <QtTest>

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

QByteArray HttpResult::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

QJsonObject HttpResult::row(const QString &path, const QJsonValue &value,
                            const QString &member) const
{
    for (const QJsonValue &v : list(path)) {
        if (v[member] == value)
            return v.toObject();
    }
    return {};
}

SandboxClient::SandboxClient(quint16 port)
    : base(u"https://localhost:%1"_s.arg(port)), originHeader(base.toUtf8())
{
    static const bool caTrusted = [] {
        QFile file(QString::fromUtf8(VELTO_TEST_CA_FILE));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read the development CA %s", VELTO_TEST_CA_FILE);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificates(QSslCertificate::fromData(file.readAll(), QSsl::Pem));
        QSslConfiguration::setDefaultConfiguration(config);
        return true;
    }();
    Q_UNUSED(caTrusted);
    nam.setCookieJar(new QNetworkCookieJar(&nam));
}

HttpResult SandboxClient::send(const QByteArray &method, const QString &path,
                               const QByteArray &body)
{
    QNetworkRequest request(QUrl(base + u'/' + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    if (!originHeader.isEmpty())
        request.setRawHeader("Origin", originHeader);
    auto *buffer = new QBuffer;
    buffer->setData(body);
    buffer->open(QIODevice::ReadOnly);
    QNetworkReply *reply = nam.sendCustomRequest(request, method, buffer);
    buffer->setParent(reply);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit); // a hung server fails, not hangs
    if (!reply->isFinished())
        loop.exec();
    HttpResult result;
    if (reply->isFinished()) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.raw = reply->readAll();
        result.headers = reply->rawHeaderPairs();
        result.json = QJsonDocument::fromJson(result.raw).object();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return result;
}

HttpResult SandboxClient::login(const QString &email, const QString &password,
                                const QString &totpCode)
{
    QJsonObject body {{u"email"_s, email}, {u"password"_s, password}};
    if (!totpCode.isEmpty())
        body.insert(u"totpCode"_s, totpCode);
    const HttpResult r = post(u"api/auth/login"_s, body);
    if (r.status == 200)
        id = r.id(u"user"_s);
    return r;
}

QStringList SandboxClient::notificationKinds()
{
    QStringList kinds;
    for (const QJsonValue &n : get(u"api/notifications"_s).list(u"notifications"_s))
        kinds << n[u"kind"_s].toString();
    return kinds;
}

SandboxTest::SandboxTest() = default;
SandboxTest::~SandboxTest() = default;

void SandboxTest::initTestCase()
{
    QVERIFY(startSandbox());
}

bool SandboxTest::startSandbox()
{
    SandboxOptions options;
    options.port = 0;
    options.dbPath = u":memory:"_s;
    options.pbkdf2Iterations = 10;
    options.printToStdout = false;
    server = std::make_unique<SandboxServer>(options);
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
    return client->login(Demo::ClientEmail, Demo::ClientPassword).status == 200
        && freelancer->login(Demo::FreelancerEmail, Demo::FreelancerPassword).status == 200
        && otherClient->id && otherFreelancer->id;
}

std::unique_ptr<SandboxClient> SandboxTest::newPerson(const QString &role)
{
    static int count = 0;
    auto p = std::make_unique<SandboxClient>(server->port());
    const QString email = u"%1.%2@tests.velto.test"_s.arg(role).arg(++count);
    const QString password = u"password-of-"_s + email;
    QJsonObject body = R"({"termsAccepted": true, "privacyAccepted": true})"_json;
    body.insert(u"email"_s, email);
    body.insert(u"password"_s, password);
    body.insert(u"fullName"_s, u"%1 %2"_s.arg(role).arg(count));
    body.insert(u"role"_s, role);
    const QUrl link(p->post(u"api/auth/register"_s, body).status == 201
                        ? server->lastLink(u"verify-link"_s, email)
                        : QString());
    if (p->get(link.path().mid(1) + u'?' + link.query()).status == 200)
        p->login(email, password);
    return p;
}

void SandboxTest::topUp(const SandboxClient &who, qint64 rupees)
{
    Storage::Transaction t(server->storage());
    Money::deposit(server->storage(), who.id, rupees * Money::PaisePerRupee, u"Test top-up"_s);
    t.commit();
}

qint64 SandboxTest::balance(const SandboxClient &who)
{
    return Money::balance(server->storage(), who.id);
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

qint64 SandboxTest::publishGig(SandboxClient &seller,
                               const QList<QPair<QString, qint64>> &tierRupees)
{
    QJsonObject gig = R"({"title": "Test gig with packages", "deliveryDays": 7,
        "description": "A description of at least fifty characters for the test gig."})"_json;
    QJsonArray packages;
    for (const auto &[tier, rupees] : tierRupees)
        packages.append(QJsonObject {{u"tier"_s, tier}, {u"price_paise"_s, rupees * 100}});
    gig.insert(u"packages"_s, packages);
    return seller.post(u"api/gigs"_s, gig).id(u"gig"_s);
}

QJsonObject SandboxTest::makeContract(SandboxClient &buyer, SandboxClient &seller,
                                      const QString &type, const QList<qint64> &milestoneRupees)
{
    qint64 total = 0;
    QJsonArray milestones;
    for (qint64 rupees : milestoneRupees) {
        total += rupees;
        milestones.append(QJsonObject {{u"title"_s, u"Milestone worth %1"_s.arg(rupees)},
                                       {u"amount"_s, QString::number(rupees)}});
    }
    const qint64 project = buyer
                               .post(u"api/projects"_s,
                                     json(uR"({"title": "A contract project",
        "description": "A description that is long enough for the form.", "requiredSkills": [],
        "budget": "%1", "projectType": "%2"})"_s.arg(total)
                                              .arg(type)))
                               .id(u"project"_s);
    buyer.post(u"api/projects/%1/publish"_s.arg(project));
    const qint64 proposal = seller
                                .post(u"api/projects/%1/proposals"_s.arg(project),
                                      json(uR"({"amount": "%1", "durationDays": 10,
        "coverLetter": "A cover letter comfortably longer than thirty."})"_s.arg(total)))
                                .id(u"proposal"_s);
    const HttpResult accepted
        = buyer.post(u"api/proposals/%1/accept"_s.arg(proposal), {{u"milestones"_s, milestones}});
    return accepted.status == 201 ? contractOf(buyer, accepted.id(u"contract"_s)) : QJsonObject();
}

QJsonObject SandboxTest::contractOf(SandboxClient &who, qint64 contractId)
{
    return who.get(u"api/contracts"_s).row(u"contracts"_s, contractId);
}

QString SandboxTest::jpegDataUrl(int padding)
{
    // Start of image, a JFIF header, end of image: enough for the sandbox's JPEG check.
    const QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffd9");
    return u"data:image/jpeg;base64,"_s
        + QString::fromLatin1((jpeg + QByteArray(padding, 0)).toBase64());
}
