#ifndef QRT_DATA_COMPONENT_ENGINES_RESPONSEWATCHDOG_H
#define QRT_DATA_COMPONENT_ENGINES_RESPONSEWATCHDOG_H

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Ends the wait for a server that has stopped answering.
//
// A statement timeout is the server's own: it cancels a slow statement, but a
// server that is stopped, frozen or cut off by the network cancels nothing,
// and the driver then waits on the socket forever, with the user's window
// frozen. The watchdog is armed around each statement with a deadline; when
// the deadline passes, it shuts the socket down, which wakes the waiting
// driver with a broken connection (which the backend reports and repairs on
// the next statement).
//
// One small thread, started with the first armed statement and ended with the
// watchdog; it touches nothing but the socket descriptor and its own state.
class ResponseWatchdog
{
public:
    ResponseWatchdog() = default;
    ~ResponseWatchdog();
    ResponseWatchdog(const ResponseWatchdog &) = delete;
    ResponseWatchdog &operator=(const ResponseWatchdog &) = delete;

    // Watches socket for the next seconds; 0 or less watches nothing.
    void arm(qintptr socket, int seconds);
    void disarm();
    // Whether the watch ended the statement since the last arm.
    bool fired() const { return m_fired; }

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    qintptr m_socket = -1;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_stop = false;
    std::atomic<bool> m_fired{false};
};

#endif // QRT_DATA_COMPONENT_ENGINES_RESPONSEWATCHDOG_H
