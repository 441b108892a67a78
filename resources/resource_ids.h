// Ids of the dialogs and controls shared by both deliverables.
#pragma once

// The progress dialog of transfers and long operations.
#define IDD_FILE_TRANSFER 203
#define IDC_TRANSFER_PROGRESS 201
#define IDC_TRANSFER_CANCEL 202

// The engine's own source selection.
#define IDD_SELECT_SOURCE 103
#define IDC_SOURCE_SELECT 1005
#define IDC_SOURCE_LIST 1009
