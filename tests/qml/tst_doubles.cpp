// The view tests' doubles offer exactly the real classes' signals, invokables and properties.
#include "api.h"
#include "proctor.h"
#include "testdoubles.h"

#include <QtTest>

namespace {

// "signal reply(int,int,QString)", "property int micLevel ro", … of what the class itself adds.
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
    out.sort();
    return out;
}

} // namespace

class TestDoubles : public QObject
{
    Q_OBJECT
private slots:
    void doublesOfferTheRealInterface()
    {
        QVERIFY(published(Api::staticMetaObject).contains(u"signal void reply(int,int,QString)"_s));
        QCOMPARE(published(ApiDouble::staticMetaObject), published(Api::staticMetaObject));
        QCOMPARE(published(ProctorDouble::staticMetaObject), published(Proctor::staticMetaObject));
    }
};

QTEST_GUILESS_MAIN(TestDoubles)
#include "tst_doubles.moc"
