// The modal progress dialog of a long operation (dialog 203): the operation's name as its caption
// with a turning spinner at its end, a progress bar, no cancel button.
#pragma once

#include <windows.h>

struct WorkerTaskContext;

// Shows the dialog for the task until the worker ends it. When IfShowProgressBar is 0 nothing is
// shown and the result is true as well; false only when the dialog could not be made.
bool ShowProgressDialog(WorkerTaskContext& task);

// One tick of the spinner: a caption ending in one of "_\|/" gets the next of them, any other
// caption gets "_" appended (or its 259th character replaced by "_" when it is full).
void AdvanceSpinnerCaption(char (&caption)[MAX_PATH]);
