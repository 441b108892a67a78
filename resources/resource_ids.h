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

// The webcam preview: a modeless dialog showing the live video, with its menu.
#define IDD_WEBCAM_PREVIEW 105
#define IDR_WEBCAM_PREVIEW_MENU 109
#define ID_PREVIEW_EXIT 40051
#define ID_PREVIEW_VIDEO_PROPERTIES 40054
#define ID_PREVIEW_START_GRAB 40055
#define ID_PREVIEW_HIDDEN_FIRST 40056
#define ID_PREVIEW_HIDDEN_SECOND 40057

// The modeless dialog shown while a print job runs.
#define IDD_CANCEL_PRINTING 116
