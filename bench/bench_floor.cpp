// The floors every start-up and memory figure is measured against: a bare window from the same
// Qt and style (a title, two text fields and a button), shown
//   bench_floor                     at once, or
//   bench_floor ORIGIN PATH...      once a GET of each path in turn has been answered over HTTPS
//                                   through the client's CA set-up, with the Cookie header in
//                                   VELTO_FLOOR_COOKIE when that is set.
// The least any client must do before its first page: the first GET leaves before the document
// is loaded, so the handshake overlaps the loading as well as it ever can. It prints
// "first-frame <peak RSS MiB>" at the window's first frame and quits.
#include "benchreport.h"
#include "trustedca.h"

#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(u"Fusion"_s);
    const QStringList args = app.arguments();
    QStringList paths = args.mid(2);
    bool answered = paths.isEmpty();
    QQuickWindow *window = nullptr;

    QNetworkAccessManager manager;
    std::function<void()> next = [&] {
        if (paths.isEmpty()) {
            answered = true;
            if (window)
                window->setVisible(true);
            return;
        }
        QNetworkRequest request(QUrl(args.at(1) + u'/' + paths.takeFirst()));
        const QByteArray cookie = qgetenv("VELTO_FLOOR_COOKIE");
        if (!cookie.isEmpty())
            request.setRawHeader("Cookie", cookie);
        QNetworkReply *reply = manager.get(request);
        QObject::connect(reply, &QNetworkReply::finished, &app, [&, reply] {
            if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 0) {
                std::fprintf(stderr, "bench_floor: %s\n", qPrintable(reply->errorString()));
                QCoreApplication::exit(1);
            }
            reply->readAll();
            reply->deleteLater();
            next();
        });
    };
    if (!answered) {
        installEmbeddedCa();
        next();
    }

    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick
        import QtQuick.Controls.Fusion
        ApplicationWindow {
            width: 1100; height: 760; visible: false; title: "Floor"
            Column {
                anchors.centerIn: parent; spacing: 12; width: 380
                TextField { width: parent.width; placeholderText: "Email" }
                TextField { width: parent.width; placeholderText: "Password" }
                Button { width: parent.width; text: "Sign in" }
            }
        })");
    window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!window)
        return 1;
    QObject::connect(window, &QQuickWindow::frameSwapped, &app, [] {
        std::printf("first-frame %.1f\n", peakRssMiB());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    window->setVisible(answered);
    return app.exec();
}
