#pragma once
// One running program per user: the first start listens on a local socket;
// later starts hand it their paths and end.

#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace pix {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // The server name for this user.
    static QString DefaultName();

    // True when another instance took the paths (this start should end).
    bool HandOver(const QStringList& paths);
    // Starts listening (removing a stale socket left by a crash).
    bool Listen();

signals:
    // Another start asked to be brought to the front and to open paths.
    void activationRequested(const QStringList& paths);

private:
    void OnConnection();
    QString name_;
    QLocalServer server_;
};

}  // namespace pix
