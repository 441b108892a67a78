// WebCamManager: the webcam facade of the engine (device selection, open, preview, acquisition).
#pragma once

#include <windows.h>

class WebCamManager {
public:
    explicit WebCamManager(HINSTANCE module) : m_module(module) {}
    // The window that receives the webcam's event records.
    void SetNotifyWindow(HWND window) { m_notifyWindow = window; }
    HWND NotifyWindow() const { return m_notifyWindow; }

private:
    HINSTANCE m_module;
    HWND m_notifyWindow = nullptr;
};
