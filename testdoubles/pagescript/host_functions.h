// The members of the "Host" object that every page host gives its page's script: a line printed,
// a check counted, the thread's messages run for a while.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

namespace pagescript {

// A script value as text (numbers and Booleans as JScript prints them; "" when it has none).
std::wstring AsText(VARIANT* v);
// A script value as a 32-bit number (0 when it is none).
LONG AsNumber(VARIANT* v);
// A text as a member's result (nothing when the caller asks for none).
void SetText(VARIANT* result, const wchar_t* text);
// Host.Echo(text): prints the text and a line end.
HRESULT Echo(const std::vector<VARIANT*>& args);
// Host.Check(condition, text): false (and a "FAIL: text" line) when the condition is not true.
bool Check(const std::vector<VARIANT*>& args);
// Host.Wait(ms): runs the thread's messages for ms milliseconds (scans, transfers, events).
HRESULT Wait(const std::vector<VARIANT*>& args);
// Host.ViewerSize(): "widthxheight" of a viewer's client area ("0x0" without a viewer).
HRESULT ViewerSize(HWND viewer, VARIANT* result);
// Host.Click(x, y): a left click of the user at a point of a viewer's client area, sent to the
// window under it (a cell) as its button messages; false when the viewer has no window there.
bool ClickViewer(HWND viewer, int x, int y);
// An image editor window: a dialog with its viewer child "ImageEditor".
HWND EditorViewer(HWND window);
// The image editor window of a title (a script value), or null.
HWND EditorByTitle(VARIANT* title);
// Host.EditorPlacement(title): where that image editor stands against the window that owns it,
// "dx,dy": its centre's offset from the owner's centre in screen pixels ("none": no such editor,
// "unowned": an editor without an owner).
HRESULT EditorPlacement(VARIANT* title, VARIANT* result);
// Host.EditorAboutPlacement(title): opens that editor's About box, reads where it stands against
// the editor ("dx,dy" as above) and closes it; "none" when no editor or no About box showed.
HRESULT EditorAboutPlacement(VARIANT* title, VARIANT* result);
// Host.DialogCommand(title, id): the user picks a menu command of the dialog with that title (the
// next Wait delivers it); false when there is no such dialog.
bool DialogCommand(VARIANT* title, VARIANT* id);
// Host.DestroyWhenEditorShows(title, command): once a visible image editor of that title is
// there, then() runs once from a timer of this thread, inside the editor's modal loop as a page
// timer would, and the user gives the editor the menu command afterwards (0: none); a bound of
// 20 s, after which then() runs anyway. False for a title that is no text.
bool WhenEditorShows(VARIANT* title, VARIANT* command, std::function<void()> then);
// Ends a watch that has not run (the host calls it when its page has ended).
void StopWatchingEditor();

}  // namespace pagescript
