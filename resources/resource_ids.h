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

// The image editor window: dialog, menu, accelerators, icon and its About dialog.
#define IDD_IMAGE_EDITOR 128
#define IDR_IMAGE_EDITOR_MENU 106
#define IDR_IMAGE_EDITOR_ACCELERATORS 107
#define IDI_IMAGE_EDITOR 133
#define IDD_EDITOR_ABOUT 115
#define IDC_ABOUT_PRODUCT 1040
#define IDC_ABOUT_OWNER 1036
#define IDC_ABOUT_ICON 1026
#define ID_EDITOR_PREVIOUS 40002
#define ID_EDITOR_NEXT 40003
#define ID_EDITOR_ROTATE_RIGHT 40004
#define ID_EDITOR_ROTATE_LEFT 40005
#define ID_EDITOR_FLIP 40006
#define ID_EDITOR_MIRROR 40007
#define ID_EDITOR_CROP 40008
#define ID_EDITOR_IMAGE_SIZE 40009
#define ID_EDITOR_ZOOM_IN 40010
#define ID_EDITOR_NORMAL_SIZE 40011
#define ID_EDITOR_ZOOM_OUT 40012
#define ID_EDITOR_STRETCH 40013
#define ID_EDITOR_FIT 40014
#define ID_EDITOR_RECOVER 40015
#define ID_EDITOR_SAVE 40016
#define ID_EDITOR_PRINT 40017
#define ID_EDITOR_COPY_SELECTION 40027
#define ID_EDITOR_ABOUT 40050
#define ID_EDITOR_EXIT 40051
#define ID_EDITOR_SELECT_ALL 40052
#define ID_EDITOR_REFRESH 40053

// The editor's toolbar: its window id and its two image strips (normal and greyed), one 16-pixel
// glyph a button; each command's string-table entry is "status text\ntooltip".
#define IDC_EDITOR_TOOLBAR 40001
#define IDB_EDITOR_TOOLBAR 104
#define IDB_EDITOR_TOOLBAR_DISABLED 126

// The editor's Image Size dialog.
#define IDD_IMAGE_SIZE 114
#define IDC_SIZE_PIXEL_DIMENSIONS 1010
#define IDC_SIZE_WIDTH 1011
#define IDC_SIZE_HEIGHT 1012
#define IDC_SIZE_CONSTRAIN 1016
#define IDC_SIZE_WIDTH_UNIT 1017
#define IDC_SIZE_HEIGHT_UNIT 1018
#define IDC_SIZE_METHOD 1019
