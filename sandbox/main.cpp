#include "server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velto-sandbox"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A local Velto service for development and tests (HTTPS on 127.0.0.1)."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0: any free port)."),
                                        QStringLiteral("N"), QStringLiteral("8443"));
    const QCommandLineOption dbOption(QStringLiteral("db"),
                                      QStringLiteral("SQLite database file, or :memory:."),
                                      QStringLiteral("PATH"), QStringLiteral("velto-sandbox.db"));
    const QCommandLineOption certOption(QStringLiteral("cert"),
                                        QStringLiteral("Server certificate (PEM)."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption keyOption(
        QStringLiteral("key"), QStringLiteral("Server private key (PEM)."), QStringLiteral("FILE"));
    const QCommandLineOption noSeedOption(QStringLiteral("no-seed"),
                                          QStringLiteral("Start a new database empty."));
    const QCommandLineOption iterationsOption(
        QStringLiteral("pbkdf2-iterations"),
        QStringLiteral("PBKDF2 iterations for new password hashes (tests only; default "
                       "100000)."),
        QStringLiteral("N"), QStringLiteral("100000"));
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
