#include "server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"velto-sandbox"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A local Velto service for development and tests (HTTPS on 127.0.0.1)."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port to listen on (0: any free port)."_s,
                                        u"N"_s, u"8443"_s);
    const QCommandLineOption dbOption(u"db"_s, u"SQLite database file, or :memory:."_s, u"PATH"_s,
                                      u"velto-sandbox.db"_s);
    const QCommandLineOption certOption(u"cert"_s, u"Server certificate (PEM)."_s, u"FILE"_s);
    const QCommandLineOption keyOption(u"key"_s, u"Server private key (PEM)."_s, u"FILE"_s);
    const QCommandLineOption noSeedOption(u"no-seed"_s, u"Start a new database empty."_s);
    const QCommandLineOption iterationsOption(
        u"pbkdf2-iterations"_s,
        u"PBKDF2 iterations for new password hashes (tests only; default "
        "100000)."_s,
        u"N"_s, u"100000"_s);
    parser.addOptions(
        {portOption, dbOption, certOption, keyOption, noSeedOption, iterationsOption});
    parser.process(app);

    SandboxOptions options;
    bool okPort = false;
    const uint port = parser.value(portOption).toUInt(&okPort);
    if (!okPort || port > 65535) {
        std::fprintf(stderr, "velto-sandbox: --port needs a number from 0 to 65535\n");
        return 2;
    }
    bool okIterations = false;
    const int iterations = parser.value(iterationsOption).toInt(&okIterations);
    if (!okIterations || iterations < 1) {
        std::fprintf(stderr, "velto-sandbox: --pbkdf2-iterations needs a positive number\n");
        return 2;
    }
    options.port = quint16(port);
    options.dbPath = parser.value(dbOption);
    options.certFile = parser.value(certOption);
    options.keyFile = parser.value(keyOption);
    options.seed = !parser.isSet(noSeedOption);
    options.pbkdf2Iterations = iterations;

    SandboxServer server(options);
    QString error;
    if (server.start(&error) == 0) {
        std::fprintf(stderr, "velto-sandbox: %s\n", qPrintable(error));
        return 1;
    }
    return app.exec();
}
