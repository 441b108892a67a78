// Dialogs a test answers as a person would. Every program of the Wine prefix shares one desktop,
// so dialogs are looked for among the windows of the thread that shows them, never by caption on
// the whole desktop. A dialog of the answered thread that is still open a few seconds after the
// answer (or that showed up instead of the one awaited) is closed here, and the case fails with
// a message that names it: no dialog waits for ctest's time-out.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// How long a dialog may stay open after its answer, or stand in the way of the awaited one.
constexpr DWORD kDialogGraceMs = 8000;

// The first visible dialog (class "#32770") of the thread with the caption (any caption for
// null), or null. Thread 0 stands for every thread of this process, here and below.
HWND FindDialogOfThread(DWORD thread, const char* caption);

// The first top-level window of the thread with the title, visible or not, or null.
HWND FindWindowOfThread(DWORD thread, const char* title);

// "the dialog "Caption"" for failure messages.
std::string DialogName(HWND dialog);

// Runs call() on this thread while answer(dialog) acts once, from a timer inside the dialog's
// modal loop, on the first visible dialog of this thread that shows the caption (any caption for
// null). False when no such dialog showed up.
bool WhileDialogShows(const char* caption, const std::function<void(HWND)>& answer, const std::function<void()>& call);

// The same from a second thread, for dialogs whose modal loop runs no timer of the test's own (a
// dialog of another thread, or one whose owner may be gone). Watching starts at construction;
// Finish() (or the destructor) stops it, waits for the thread and reports what it had to close.
class DialogAnswerer {
public:
    DialogAnswerer(DWORD thread, const char* caption, std::function<void(HWND)> answer, DWORD waitMs = 30000);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    // True when the awaited dialog showed up and was answered.
    bool Finish();

    struct State;

private:
    State* m_state;
    HANDLE m_stop;
    HANDLE m_thread;
    bool m_finished = false;
};
