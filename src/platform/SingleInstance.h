#pragma once
// One running program per desktop session and display: the first start
// listens on a local socket; later starts on the same display hand it their
// command line and end.

#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace pix {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket of this session's display: "pixadrome-DISPLAY" in
    // $XDG_RUNTIME_DIR, else in a folder "pixadrome-UID" of mode 0700 in
    // the temporary folder. The display is the one the program shows its
    // windows on (WAYLAND_DISPLAY or DISPLAY). Empty (no single instance)
    // when no such folder is ours alone, as when another user planted it.
    static QString DefaultName();

    // True when another instance took the arguments (this start should end).
    bool HandOver(const QStringList& arguments);
    // Starts listening, for this user only (removing a stale socket left by
    // a crash). A connection from another user, a message longer than any
    // command line or one not in the sender's format is dropped.
    bool Listen();

signals:
    // Another start asked to be brought to the front with its command line.
    // Emitted from the event loop after the connection's reader has
    // returned, so a receiver may run the event loop (a progress window)
    // while the connection ends and goes.
    void activationRequested(const QStringList& arguments);

private:
    void OnConnection();
    QString name_;
    QLocalServer server_;
};

}  // namespace pix
