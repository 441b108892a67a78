#include "support/dialog_answer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct Search {
    const char* caption;
    bool dialogsOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM p) {
    auto* search = reinterpret_cast<Search*>(p);
    char cls[16] = {}, text[256] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (search->dialogsOnly && (strcmp(cls, "#32770") != 0 || !IsWindowVisible(window))) return TRUE;
    GetWindowTextA(window, text, sizeof(text));
    if (!search->caption || strcmp(text, search->caption) == 0) search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectOfThisProcess(HWND window, LPARAM p) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() ? Collect(window, p) : TRUE;
}

// Thread 0: every thread of this process.
std::vector<HWND> WindowsOf(DWORD thread, const char* caption, bool dialogsOnly) {
    Search search{caption, dialogsOnly, {}};
    if (thread) {
        EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&search));
    } else {
        EnumWindows(CollectOfThisProcess, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

std::vector<HWND> DialogsOf(DWORD thread) { return WindowsOf(thread, nullptr, true); }

bool Contains(const std::vector<HWND>& list, HWND window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

}  // namespace

HWND FindDialogOfThread(DWORD thread, const char* caption) {
    std::vector<HWND> found = WindowsOf(thread, caption, true);
    return found.empty() ? nullptr : found.front();
}

HWND FindWindowOfThread(DWORD thread, const char* title) {
    std::vector<HWND> found = WindowsOf(thread, title, false);
    return found.empty() ? nullptr : found.front();
}

std::string DialogName(HWND dialog) {
    char text[256] = {};
    GetWindowTextA(dialog, text, sizeof(text));
    return std::string("the dialog \"") + text + "\"";
}

// What both answerers share: one look at the thread's dialogs at a time.
struct DialogAnswerer::State {
    DWORD thread;
    const char* caption;
    std::function<void(HWND)> answer;
    bool sameThread;
    std::vector<HWND> before;  // open before the watch began: not ours to answer or close
    HWND answered = nullptr;
    std::map<HWND, DWORD> seen;     // when each other dialog was first seen
    std::map<HWND, DWORD> closing;  // when closing each began
    std::vector<std::string> failures;
    std::mutex lock;
    bool busy = false;

    State(DWORD t, const char* c, std::function<void(HWND)> a, bool same)
        : thread(t), caption(c), answer(std::move(a)), sameThread(same), before(DialogsOf(t)) {}

    std::string Awaited() const {
        return caption ? std::string("the dialog \"") + caption + "\"" : std::string("a dialog");
    }

    void Close(HWND dialog, DWORD now) {
        auto started = closing.find(dialog);
        if (started == closing.end()) {
            closing[dialog] = now;
            EndDialog(dialog, IDCANCEL);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        } else if (started->second != 0 && now - started->second > 2000) {
            started->second = 0;  // once
            // It ignored both: take it down.
            if (sameThread) {
                DestroyWindow(dialog);
            } else {
                PostThreadMessageA(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 0, 0);
            }
        }
    }

    void Look() {
        if (busy) return;  // the answer itself pumps messages
        busy = true;
        const DWORD now = GetTickCount();
        std::vector<HWND> open = DialogsOf(thread);
        if (!answered) {
            for (HWND dialog : open) {
                if (Contains(before, dialog)) continue;
                char text[256] = {};
                GetWindowTextA(dialog, text, sizeof(text));
                if (!caption || strcmp(text, caption) == 0) {
                    answered = dialog;
                    seen[dialog] = now;
                    answer(dialog);
                    busy = false;
                    return;
                }
            }
        }
        for (HWND dialog : open) {
            if (Contains(before, dialog)) continue;
            DWORD first = seen.emplace(dialog, now).first->second;
            if (now - first <= kDialogGraceMs) continue;
            if (!closing.count(dialog)) {
                std::lock_guard<std::mutex> guard(lock);
                failures.push_back(DialogName(dialog) +
                                   (dialog == answered ? " was still open " + std::to_string(kDialogGraceMs / 1000) +
                                                             " s after its answer; the test closed it"
                                                       : " stood open for " + std::to_string(kDialogGraceMs / 1000) +
                                                             " s while the test awaited " + Awaited() +
                                                             "; the test closed it"));
            }
            Close(dialog, now);
        }
        busy = false;
    }

    void Report() {
        std::lock_guard<std::mutex> guard(lock);
        for (const std::string& failure : failures) ADD_FAILURE() << failure;
        failures.clear();
    }
};

namespace {

DialogAnswerer::State* g_watch = nullptr;

void CALLBACK LookForDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (g_watch) g_watch->Look();
}

struct ThreadArgs {
    DialogAnswerer::State* state;
    HANDLE stop;
    DWORD waitMs;
};

DWORD WINAPI WatchThread(LPVOID p) {
    auto* args = static_cast<ThreadArgs*>(p);
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(args->stop, 30) == WAIT_TIMEOUT) {
        args->state->Look();
        if (!args->state->answered && args->state->seen.empty() && GetTickCount() - start > args->waitMs) break;
    }
    delete args;
    return 0;
}

}  // namespace

bool WhileDialogShows(const char* caption, const std::function<void(HWND)>& answer, const std::function<void()>& call) {
    DialogAnswerer::State watch(GetCurrentThreadId(), caption, answer, true);
    DialogAnswerer::State* outer = g_watch;
    g_watch = &watch;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, LookForDialog);
    call();
    KillTimer(nullptr, timer);
    g_watch = outer;
    watch.Report();
    return watch.answered != nullptr;
}

DialogAnswerer::DialogAnswerer(DWORD thread, const char* caption, std::function<void(HWND)> answer, DWORD waitMs)
    : m_state(new State(thread, caption, std::move(answer), false)),
      m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_thread(CreateThread(nullptr, 0, WatchThread, new ThreadArgs{m_state, m_stop, waitMs}, 0, nullptr)) {}

DialogAnswerer::~DialogAnswerer() {
    Finish();
    CloseHandle(m_stop);
    delete m_state;
}

bool DialogAnswerer::Finish() {
    if (!m_finished) {
        m_finished = true;
        SetEvent(m_stop);
        if (m_thread) {
            WaitForSingleObject(m_thread, 10000);
            CloseHandle(m_thread);
            m_thread = nullptr;
        }
        m_state->Report();
    }
    return m_state->answered != nullptr;
}
