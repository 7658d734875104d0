#pragma once
// What the worker tells the window while a job runs. Every notification is
// posted, never sent: the worker never waits for the window. Each one carries
// its own copy of the worker's status text, which the receiver owns.

#include <string>

// The numbering of the window messages the front ends already know.
inline constexpr int kWmUser = 0x0400;

inline constexpr int UWM_STATUS = kWmUser + 1;        // a picture could not be read, or the engine not opened
inline constexpr int UWM_DONE = kWmUser + 2;          // the job finished, or ended by an engine failure
inline constexpr int UWM_STOPPED = kWmUser + 3;       // the job was stopped (by request or a refused folder)
inline constexpr int UWM_PICTURE = kWmUser + 6;       // a picture was announced, written or failed to be written
inline constexpr int UWM_PICTURE_DONE = kWmUser + 8;  // a picture is finished; the progress bar moves

// One posted notification: the message number, its integer parameter
// (0, 100, or the truncated progress in per cent) and the status text
// (UTF-8), owned by whoever holds the notification.
struct CNotification {
    int message = 0;
    int param = 0;
    std::string text;
};

// Where a job posts its notifications. PostNotification may be called from
// any thread, must return at once and must deliver the notifications later,
// in posting order, on the receiver's own thread (or record them).
class CNotificationTarget {
public:
    virtual ~CNotificationTarget() = default;
    virtual void PostNotification(CNotification notification) = 0;
};
