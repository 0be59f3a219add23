// Lists with real amounts of data: the time from a load reply (parsed as Main parses it) to the
// next frame, for Discover, Gigs and Contracts with 100, 1,000 and 10,000 rows, and how many
// row delegates exist afterwards. The views run in a window whose `win` answers their loads.
// A long list is judged against its floor: JSON.parse of the same reply, which the published
// interface leaves to the window (the reply is text), plus the same view's frame with 100 rows.
#include "benchreport.h"
#include "startup.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

QJsonObject project(int i)
{
    return {{u"id"_s, i},
            {u"title"_s, u"Storefront rebuild %1"_s.arg(i)},
            {u"budget_paise"_s, 150000 + i},
            {u"description"_s,
             u"Rebuild the storefront in Qt Quick with a catalogue, a cart and "
             "a checkout; number %1 of many."_s.arg(i)},
            {u"status"_s, u"open"_s},
            {u"required_skills"_s, QJsonArray {u"Qt"_s, u"QML"_s, u"C++"_s}}};
}

QJsonObject gig(int i)
{
    return {
        {u"id"_s, i},
        {u"title"_s, u"A landing page in a day %1"_s.arg(i)},
        {u"description"_s, u"Responsive landing page with copy and images, number %1."_s.arg(i)},
        {u"orders_count"_s, i % 7},
        {u"packages"_s,
         QJsonArray {QJsonObject {{u"tier"_s, u"basic"_s},
                                  {u"label"_s, u"Basic"_s},
                                  {u"price_paise"_s, 50000},
                                  {u"delivery_days"_s, 3}},
                     QJsonObject {{u"tier"_s, u"standard"_s},
                                  {u"label"_s, u"Standard"_s},
                                  {u"price_paise"_s, 90000},
                                  {u"delivery_days"_s, 5}}}}};
}

QJsonObject contract(int i)
{
    return {{u"id"_s, i},
            {u"project_title"_s, u"Contract %1"_s.arg(i)},
            {u"status"_s, u"active"_s},
            {u"contract_type"_s, u"fixed"_s},
            {u"total_paise"_s, 300000},
            {u"milestones"_s,
             QJsonArray {QJsonObject {{u"id"_s, i * 10},
                                      {u"title"_s, u"Design"_s},
                                      {u"amount_paise"_s, 100000},
                                      {u"status"_s, u"funded"_s}},
                         QJsonObject {{u"id"_s, i * 10 + 1},
                                      {u"title"_s, u"Build"_s},
                                      {u"amount_paise"_s, 200000},
                                      {u"status"_s, u"awaiting_funding"_s}}}},
            {u"deliverables"_s, QJsonArray {}}};
}

struct ListCase
{
    QString view;
    QString member;
    std::function<QJsonObject(int)> row;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
    QQmlApplicationEngine engine;
    engine.addImportPath(u"qrc:/qt/qml"_s);
    // A window that answers the view's first GET when told to, as Main would.
    engine.loadData(R"(
        import QtQuick
        import QtQuick.Controls.Fusion
        ApplicationWindow {
            id: win
            width: 1100; height: 760; visible: true
            property var user: ({ id: 1, role: "client", full_name: "Bench" })
            property var pending: null
            function call(method, path, body, cb) { if (method === "GET" && !pending) pending = cb }
            function toast(msg) {}
            function show(name) {
                pending = null
                loader.source = ""
                loader.source = "qrc:/qt/qml/Velto/qml/" + name + ".qml"
            }
            function answer(raw) { pending(200, JSON.parse(raw), raw) }
            function parse(raw) { JSON.parse(raw) }
            Loader { id: loader; objectName: "loader"; anchors.fill: parent }
        })");
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!window || !QTest::qWaitForWindowExposed(window))
        return 1;

    const QList<ListCase> cases {{u"DiscoverView"_s, u"projects"_s, project},
                                 {u"GigsView"_s, u"gigs"_s, gig},
                                 {u"ContractsView"_s, u"contracts"_s, contract}};
    BenchReport report(u"lists"_s);
    for (const ListCase &c : cases) {
        double at100 = 0;
        for (int size : {100, 1000, 10000}) {
            QJsonArray rows;
            for (int i = 1; i <= size; ++i)
                rows.append(c.row(i));
            const QString raw = QString::fromUtf8(
                QJsonDocument(QJsonObject {{c.member, rows}}).toJson(QJsonDocument::Compact));
            QList<double> runs, parses;
            for (int r = 0; r < 5; ++r) {
                QElapsedTimer clock;
                clock.start();
                QMetaObject::invokeMethod(window, "parse", Q_ARG(QVariant, raw));
                parses << clock.nsecsElapsed() / 1e6;
            }
            int delegates = 0;
            for (int r = 0; r < 5; ++r) {
                QMetaObject::invokeMethod(window, "show", Q_ARG(QVariant, c.view));
                if (!QTest::qWaitFor([&] { return !window->property("pending").isNull(); }, 5000)) {
                    report.note(c.view + u" made no load request"_s);
                    break;
                }
                QTest::qWait(50);
                bool framed = false;
                auto conn
                    = QObject::connect(window, &QQuickWindow::frameSwapped, [&] { framed = true; });
                QElapsedTimer clock;
                clock.start();
                QMetaObject::invokeMethod(window, "answer", Q_ARG(QVariant, raw));
                (void)QTest::qWaitFor([&] { return framed; }, 20000);
                runs << clock.nsecsElapsed() / 1e6;
                QObject::disconnect(conn);
                QQuickItem *list = findVisual(window->contentItem(), u"list"_s);
                auto *content
                    = list ? list->property("contentItem").value<QQuickItem *>() : nullptr;
                delegates = content ? int(content->childItems().size()) : -1;
            }
            const double median = BenchReport::median(runs);
            const double parse = BenchReport::median(parses);
            if (size == 100)
                at100 = median;
            report.value(u"%1, %2 rows: JSON.parse of the reply"_s.arg(c.view).arg(size), parse,
                         u"ms"_s);
            report.ratio(u"%1, %2 rows: reply to next frame"_s.arg(c.view).arg(size), median,
                         size == 100 ? 0 : parse + at100, size == 10000 ? 1.1 : 0, u"ms"_s);
            report.value(u"%1, %2 rows: row delegates alive"_s.arg(c.view).arg(size), delegates,
                         u""_s, 60);
        }
    }
    report.note(u"window 1100x760 offscreen (software renderer); medians of 5; floor: JSON.parse "
                "of the same reply plus the same view's frame with 100 rows"_s);
    report.finish();
    return 0;
}
