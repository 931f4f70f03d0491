// Keeps the GUI thread alive while the mouse takes its time.
//
// A device command is synchronous for whoever calls it (the scene's calls
// return their results as they always did), but its exchange runs on the
// link's own thread: the GUI thread meanwhile waits in a local event loop
// that goes on painting and running timers and animations (the busy
// indicator keeps turning). That loop is the only place where anything else
// could start while the link is in use, so it is guarded:
//   - user input (mouse, keys, wheel, touch, drag, context menu) is dropped:
//     what the user did during a transfer is not replayed after it;
//   - work that could start another command (notices from the mouse and
//     the system, device checks, messages of a second start, captured-input
//     relays) is handed to whenIdle() by its handler and runs, once, after
//     the transfer;
//   - the scene's timers (its busy timer among them) fire after the transfer.
// SettingsStore waits here for its checked writes too (its settings objects
// never write their files on their own request: SettingsFile::open).
// The alternatives were worse: Qt's ExcludeUserInputEvents postpones input
// (every click made while saving would land afterwards), and a threaded
// render loop keeps only Animators running, not the scene's animations.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>

class TransferGate
{
public:
    // Marks a transfer on the GUI thread for its lifetime (nests); does
    // nothing on other threads. Deferred work is posted when the outermost
    // one ends.
    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        bool m_counted = false;
    };

    // Whether waiting on the link here keeps events going: only on the GUI
    // thread of a running application. Elsewhere exchanges run inline.
    static bool canWaitHere();
    // True while a transfer runs on the GUI thread.
    static bool busy();
    // Runs fn at once, or, during a transfer, after it (in arrival order,
    // unless context is gone by then). Outside a transfer, work still held
    // back by the last one runs first.
    static void whenIdle(QObject *context, std::function<void()> fn);
    // Handles events on the GUI thread, as above, until done is set; whoever
    // sets it has to wake the thread's event dispatcher.
    static void waitUntil(const std::atomic<bool> &done);
    // Work waiting for the end of the running transfer (for tests).
    static int deferredCount();
};
