// SignalWatcher: turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the
// user-interface thread (the handler only writes a byte to a pipe), so that
// a logout, a system shutdown or `kill` ends the player cleanly.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kv {

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void received(int signal);

private:
    void readPipe();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kv
