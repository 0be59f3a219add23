#pragma once

#include <QString>

class Storage;

// Leaves an unread notification for a user. kind is a snake_case event name
// ("proposal_received", "contract_created", …).
void notifyUser(Storage &db, qint64 userId, const QString &kind, const QString &title,
                const QString &body);
