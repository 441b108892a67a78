// CPrint: prints images of the buffer, one per page, each at its own resolution converted to the
// printer's, shrunk to fit when it is larger than the page and centred. With the print UI the user
// picks the printer in the print dialog and may stop the job in the "Cancel Printing" dialog;
// without it the default printer prints at once. One job runs at a time in a process.
#pragma once

#include "engine/multi_image_twain.h"

class CPrint {
public:
    CPrint(CMultiImageTWAIN* engine, HINSTANCE module, LONG printUI);
    virtual ~CPrint() = default;

    // Prints pages first..last (1-based buffer positions, cut to the buffer) in the given number
    // of copies. True when the job was started and ended, also when the user cancelled it while
    // printing; false without an engine, when the print dialog was cancelled or failed, when the
    // printer refused to start the document, or while another job of this process runs.
    BOOL PrintImages(HWND owner, int firstPage, int lastPage, int copies);

    // True from the start of PrintImages to its end (page script may run inside it).
    static bool JobRunning();
    // The engine is being destroyed (page script inside a job may delete its host): a job that
    // reads its buffer draws nothing more and ends as cancelled.
    static void ForgetEngine(const CMultiImageTWAIN* engine);

    static INT_PTR CALLBACK CancelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static BOOL CALLBACK AbortProc(HDC dc, int error);

private:
    // Draws the image at this buffer index on a page of its own; false when the slot holds none.
    bool PrintPage(HDC dc, int index, int pageWidth, int pageHeight, int dpiX, int dpiY);

    CMultiImageTWAIN* m_engine;
    HINSTANCE m_module;
    LONG m_printUI;
};
