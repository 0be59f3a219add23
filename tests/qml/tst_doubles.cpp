// The view tests' doubles cannot drift from the real classes: each offers every signal,
// invokable method and property the real one publishes, with the same signature.
#include "api.h"
#include "proctor.h"
#include "testdoubles.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "signal reply(int,int,QString)", "property int micLevel", … of what the class itself adds.
QStringList published(const QMetaObject &mo)
{
    QStringList out;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        if (m.access() != QMetaMethod::Public)
            continue;
        const char *kind = m.methodType() == QMetaMethod::Signal ? "signal" : "method";
        out << u"%1 %2 %3"_s.arg(QLatin1String(kind), QLatin1String(m.typeName()),
                                 QLatin1String(m.methodSignature()));
    }
    for (int i = mo.propertyOffset(); i < mo.propertyCount(); ++i) {
        const QMetaProperty p = mo.property(i);
        out << u"property %1 %2 %3"_s.arg(QLatin1String(p.typeName()), QLatin1String(p.name()),
                                          QLatin1String(p.isWritable() ? "rw" : "ro"));
    }
    return out;
}

} // namespace

class TestDoubles : public QObject
{
    Q_OBJECT
private slots:
    void doublesOfferTheRealInterface_data()
    {
        QTest::addColumn<const QMetaObject *>("real");
        QTest::addColumn<const QMetaObject *>("fake");
        QTest::newRow("Api") << &Api::staticMetaObject << &FakeApi::staticMetaObject;
        QTest::newRow("Proctor") << &Proctor::staticMetaObject << &FakeProctor::staticMetaObject;
    }
    void doublesOfferTheRealInterface()
    {
        QFETCH(const QMetaObject *, real);
        QFETCH(const QMetaObject *, fake);
        const QStringList offered = published(*fake);
        const QStringList needed = published(*real);
        QVERIFY(!needed.isEmpty());
        for (const QString &member : needed)
            QVERIFY2(offered.contains(member), qPrintable(member + u" missing from the double"_s));
    }
};

QTEST_GUILESS_MAIN(TestDoubles)
#include "tst_doubles.moc"
