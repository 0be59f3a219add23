#pragma once

#include <QObject>

// Placeholder until the hardware monitor lands.
class Proctor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int micLevel READ micLevel NOTIFY micLevelChanged)
public:
    explicit Proctor(QObject *parent = nullptr);
    ~Proctor() override;

    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE bool hasCamera() const;

    int micLevel() const { return level; }

signals:
    void violation(const QString &reason, const QString &detail);
    void snapshot(const QString &dataUrl);
    void micLevelChanged();

private:
    int level = 0;
};
