#pragma once

#include "sandboxclient.h"

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class SandboxServer;

// What the marketplace tests set up over and over: fresh people with their own session, money in
// their wallets, a published gig, a contract made the way the client makes one.

struct Person
{
    std::unique_ptr<SandboxClient> http;
    qint64 id = 0;
    SandboxClient &operator*() const { return *http; }
    SandboxClient *operator->() const { return http.get(); }
};

// Registers, verifies and signs in a new account of the role ("client" or "freelancer").
Person newPerson(SandboxServer &server, const QString &role);
// Signs in one of the demo accounts.
Person demoPerson(SandboxServer &server, const QString &email, const QString &password);

// Money from outside the marketplace, straight into the ledger.
void topUp(SandboxServer &server, qint64 userId, qint64 rupees);
qint64 balance(SandboxServer &server, qint64 userId);
// Every wallet plus everything held in escrow: constant while money only moves around.
qint64 walletsPlusEscrow(SandboxServer &server);

// Publishes a gig the way the gig dialog does (tier → rupees, in order); returns its id or 0.
qint64 publishGig(SandboxClient &freelancer, const QList<QPair<QString, qint64>> &tierRupees,
                  const QString &title = QStringLiteral("Test gig with packages"));

// Project → publish → proposal → accept with milestones of the given rupee amounts. Returns the
// contract record of "api/contracts" as the client sees it ({} on failure).
QJsonObject makeContract(SandboxClient &client, SandboxClient &freelancer, const QString &type,
                         const QList<qint64> &milestoneRupees);
// The contract of that id in the caller's "api/contracts" list ({} when not listed).
QJsonObject contractOf(SandboxClient &person, qint64 contractId);
qint64 milestoneId(const QJsonObject &contract, int index);

// A tiny well-formed JPEG as a data URL.
QString jpegDataUrl();

// Rows of a table (for "nothing changed" checks narrower than the whole database).
qint64 rowCount(SandboxServer &server, const QString &table);
