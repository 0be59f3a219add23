// The QML module as embedded in the program: its directory file and its documents.
#include <QFile>
#include <QtTest>

class TestModule : public QObject
{
    Q_OBJECT
private slots:
    void qmldirIsExactlyTheModuleDeclaration()
    {
        QFile qmldir(QStringLiteral(":/qt/qml/Velto/qmldir"));
        QVERIFY(qmldir.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines = QString::fromUtf8(qmldir.readAll()).split(QLatin1Char('\n'));
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        const QStringList expected = {
            "module Velto",
            "typeinfo DedevOv.qmltypes",
            "prefer :/qt/qml/Velto/",
            "Main 1.0 qml/Main.qml",
            "LoginView 1.0 qml/LoginView.qml",
            "HomeView 1.0 qml/HomeView.qml",
            "DiscoverView 1.0 qml/DiscoverView.qml",
            "GigsView 1.0 qml/GigsView.qml",
            "GigOrdersView 1.0 qml/GigOrdersView.qml",
            "ContestsView 1.0 qml/ContestsView.qml",
            "ProjectsView 1.0 qml/ProjectsView.qml",
            "TeamsView 1.0 qml/TeamsView.qml",
            "ContractsView 1.0 qml/ContractsView.qml",
            "WalletView 1.0 qml/WalletView.qml",
            "SkillsView 1.0 qml/SkillsView.qml",
            "NotificationsView 1.0 qml/NotificationsView.qml",
            "MoreView 1.0 qml/MoreView.qml",
        };
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(lines.at(i), expected.at(i));
    }

    void serviceOriginIsTheBuiltOne()
    {
        QFile origin(QStringLiteral(":/qt/qml/Velto/qml/serviceorigin.js"));
        QVERIFY(origin.open(QIODevice::ReadOnly));
        QVERIFY(origin.readAll().contains("\"" VELTO_ORIGIN "\""));
    }
};

QTEST_GUILESS_MAIN(TestModule)
#include "tst_module.moc"
