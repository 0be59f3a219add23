// The proctor's microphone on the sound server of scripts/test-audio (CTest sets PULSE_SERVER),
// whose source velto_sine is a loud sine, digital silence when muted; the tests skip without it.
#include "../failonwarnings.h"
#include "api.h"
#include "proctor.h"
#include "startup.h"
#include "testhttpsserver.h"

#include <QtMultimedia>
#include <QtQml>
#include <QtQuick>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Recording streams this process has open on the sound server (which other test runs share).
int recordingStreams()
{
    QProcess pactl;
    pactl.start(u"pactl"_s, {u"list"_s, u"source-outputs"_s});
    pactl.waitForFinished(10000);
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    return int(pactl.readAllStandardOutput().count("application.process.id = \"" + pid + '"'));
}

} // namespace

class TestProctorMicrophone : public QObject
{
    Q_OBJECT

    void setSineMuted(bool muted)
    {
        const QStringList mute {u"set-source-mute"_s, u"velto_sine"_s, muted ? u"1"_s : u"0"_s};
        QCOMPARE(QProcess::execute(u"pactl"_s, mute), 0);
    }

private slots:
    void init() { QTest::failOnWarning(failingWarnings()); }
    void initTestCase()
    {
        if (QMediaDevices::defaultAudioInput().id() != "velto_sine")
            QSKIP("the default audio input is not velto_sine: no test sound server at "
                  "PULSE_SERVER (scripts/test-audio start starts one)");
    }

    void cleanup() { setSineMuted(true); }

    // Sounding: "voice" once, not again over four more polls; muted: eight polls at 0, no report.
    void voice_data()
    {
        QTest::addColumn<bool>("sounding");
        QTest::newRow("sine") << true;
        QTest::newRow("muted") << false;
    }
    void voice()
    {
        QFETCH(bool, sounding);
        setSineMuted(!sounding);
        int voices = 0;
        QList<int> levels; // declared first: the proctor announces level 0 when it goes
        Proctor proctor;
        connect(&proctor, &Proctor::violation, this,
                [&](const QString &reason) { voices += reason == "voice"_L1; });
        connect(&proctor, &Proctor::micLevelChanged, this, [&] { levels << proctor.micLevel(); });
        proctor.start();
        if (sounding)
            QTRY_COMPARE_WITH_TIMEOUT(voices, 1, 15000);
        const qsizetype polled = levels.size();
        QTRY_VERIFY_WITH_TIMEOUT(levels.size() >= polled + (sounding ? 4 : 8), 15000);
        QCOMPARE(voices, sounding ? 1 : 0);
        QCOMPARE(*std::max_element(levels.cbegin(), levels.cend()), sounding ? 100 : 0);
        proctor.stop();
        QCOMPARE(proctor.micLevel(), 0);
    }

    // Every way out of the shell closes the microphone before any request leaves: at level 0 (the
    // proctor's last step) the session is still in the jar that sign-out empties as it sends.
    void leaving_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("sign out") << false;
        QTest::newRow("window close") << true;
    }
    void leaving()
    {
        QFETCH(bool, closeWindow);
        TestHttpsServer server; // every answer signs a freelancer in
        server.setHandler([](const Request &) {
            return Response {200,
                             {{"Set-Cookie", "sid=s3cr3t; Secure; Path=/"}},
                             R"({"user":{"id":2,"role":"freelancer"}})"};
        });
        auto program = std::make_unique<ClientProgram>(server.origin());
        QVERIFY(program->load());
        auto *window = qobject_cast<QQuickWindow *>(program->engine().rootObjects().value(0));
        const QObject *stack = window->findChild<QObject *>(u"stack"_s);
        const auto page = [stack] { return stack->property("currentItem").value<QObject *>(); };
        QTRY_COMPARE(page()->objectName(), u"HomeView"_s);
        const auto jar = program->api().findChild<QNetworkCookieJar *>();
        program->proctor().start();
        QTRY_COMPARE(recordingStreams(), 1);
        bool stopped = false, signedInAtStop = false;
        connect(&program->proctor(), &Proctor::micLevelChanged, this, [&] {
            if (!std::exchange(stopped, true))
                signedInAtStop = !jar->cookiesForUrl(QUrl(server.origin())).isEmpty();
        });
        closeWindow ? window->close() : QMetaObject::invokeMethod(page(), "signOut");
        QVERIFY(stopped && signedInAtStop);
        program.reset(); // at once, the source's deletion still posted, as the program ends
        QTRY_COMPARE(recordingStreams(), 0);
    }
};

QTEST_MAIN(TestProctorMicrophone)
#include "tst_proctor_microphone.moc"
