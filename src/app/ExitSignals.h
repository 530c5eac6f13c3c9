#pragma once

#include "platform/UniqueFd.h"

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace hl {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the UI thread, so that a logout, `kill` or
// Ctrl+C in the terminal ends the program through its event loop like its own Exit command:
// windows close, the tray icon goes and buffered output is written. The handler only writes
// the signal's number into a pipe; a socket notifier on the UI thread reads it and calls
// `onSignal`. One object at a time; its destructor puts the default handlers back.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    explicit ExitSignals(std::function<void(int)> onSignal);
    ~ExitSignals() override;
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // False when the pipe or a handler could not be set up; the signals then keep their
    // default effect.
    bool Installed() const { return m_bInstalled; }

private:
    void OnReadable();

    std::function<void(int)> m_onSignal;
    UniqueFd m_readEnd;
    UniqueFd m_writeEnd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_bInstalled = false;
};

} // namespace hl
