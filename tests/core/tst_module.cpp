// The QML module as embedded in the program: its directory file and its documents.
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestModule : public QObject
{
    Q_OBJECT
private slots:
    void qmldirIsExactlyTheModuleDeclaration()
    {
        QFile qmldir(u":/qt/qml/Velto/qmldir"_s);
        QVERIFY(qmldir.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList views;
        for (const char *view :
             {"Main", "LoginView", "HomeView", "DiscoverView", "GigsView", "GigOrdersView",
              "ContestsView", "ProjectsView", "TeamsView", "ContractsView", "WalletView",
              "SkillsView", "NotificationsView", "MoreView"})
            views << u"%1 1.0 qml/%1.qml"_s.arg(QLatin1String(view));
        QCOMPARE(
            QString::fromUtf8(qmldir.readAll()).trimmed().split(u'\n'),
            QStringList({"module Velto", "typeinfo DedevOv.qmltypes", "prefer :/qt/qml/Velto/"})
                + views);
    }

    void serviceOriginIsTheBuiltOne()
    {
        QFile origin(u":/qt/qml/Velto/qml/serviceorigin.js"_s);
        QVERIFY(origin.open(QIODevice::ReadOnly));
        QVERIFY(origin.readAll().contains("\"" VELTO_ORIGIN "\""));
    }
};

QTEST_GUILESS_MAIN(TestModule)
#include "tst_module.moc"
