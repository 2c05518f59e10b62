// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every command and control id of the program, with the values its resources have always used.
// The document's handlers dispatch on them, so they live beside the document rather than with
// the frame that builds the menus from them.

// Side panel controls that are also commands.
inline constexpr int IDC_ADD_FILES = 1016;
inline constexpr int IDC_DELETE_FILE = 1017;
inline constexpr int IDC_SORT_FILES = 1018;
inline constexpr int IDC_DELETE_ALL = 1025;
inline constexpr int IDC_MOVE_UP = 1044;
inline constexpr int IDC_MOVE_DOWN = 1045;

// Program commands.
inline constexpr int ID_AXIS_ORIGIN = 32772;
inline constexpr int ID_AXIS_XPOINT = 32773;
inline constexpr int ID_AXIS_YPOINT = 32774;
inline constexpr int ID_AXIS_SETTINGS = 32775;
inline constexpr int ID_DATA_WRITE = 32776;
inline constexpr int ID_ZOOM_1X = 32788;
inline constexpr int ID_ZOOM_2X = 32789;
inline constexpr int ID_ZOOM_4X = 32790;
inline constexpr int ID_MOVE_RIGHT = 32795;
inline constexpr int ID_MOVE_LEFT = 32796;
inline constexpr int ID_MOVE_UP = 32797;
inline constexpr int ID_MOVE_DOWN = 32798;
inline constexpr int ID_MEASURE_AREA = 32800;
inline constexpr int ID_MEASURE_LENGTH = 32801;
inline constexpr int ID_VIEW_SERIES = 32810;      // the series plot's dock
inline constexpr int ID_DATA_WRITE_CSV = 32811;   // the tidy table
inline constexpr int ID_ZOOM_HALF = 32820;
inline constexpr int ID_ZOOM_QUARTER = 32821;
inline constexpr int ID_ZOOM_FIT = 32822;         // the whole picture in the window
inline constexpr int ID_REDETECT_ALL = 32823;     // every line on every image detected again
inline constexpr int ID_LINE_RULE = 32824;        // the current line's own caliper rule
inline constexpr int ID_VIEW_PROFILE = 32840;     // the profile plot's dock
inline constexpr int ID_PROFILE_WRITE = 32841;    // the current line's profile as CSV
inline constexpr int ID_VIEW_KYMOGRAPH = 32850;   // the kymograph's dock

// The framework's standard commands, with their standard values.
inline constexpr int ID_FILE_OPEN = 0xE101;       // 57601
inline constexpr int ID_FILE_SAVE = 0xE103;       // 57603
inline constexpr int ID_FILE_SAVE_AS = 0xE104;    // 57604
inline constexpr int ID_FILE_MRU_FILE1 = 0xE110;  // 57616
inline constexpr int ID_APP_ABOUT = 0xE140;       // 57664
inline constexpr int ID_APP_EXIT = 0xE141;        // 57665
inline constexpr int ID_NEXT_PANE = 0xE150;
inline constexpr int ID_PREV_PANE = 0xE151;
inline constexpr int ID_EDIT_COPY = 0xE122;
inline constexpr int ID_EDIT_CUT = 0xE123;
inline constexpr int ID_EDIT_PASTE = 0xE125;
inline constexpr int ID_EDIT_UNDO = 0xE12B;        // 57643
inline constexpr int ID_EDIT_REDO = 0xE12C;        // 57644
inline constexpr int ID_VIEW_TOOLBAR = 0xE800;     // 59392
inline constexpr int ID_VIEW_STATUS_BAR = 0xE801;  // 59393

// Side panel controls handled by the panel itself.
inline constexpr int IDC_FILE_LIST = 1015;
inline constexpr int IDC_PROFILE_GRAPH = 1024;
inline constexpr int IDC_AUTO_DETECT = 1030;
inline constexpr int IDC_REDETECT = 1035;
inline constexpr int IDC_DELETE_SCAN = 1048;
inline constexpr int IDC_CHANNEL_SUM = 1036;
inline constexpr int IDC_CHANNEL_R = 1037;
inline constexpr int IDC_CHANNEL_G = 1038;
inline constexpr int IDC_CHANNEL_B = 1039;
inline constexpr int IDC_EDGE_MIN = 1040;
inline constexpr int IDC_EDGE_MAX = 1041;
inline constexpr int IDC_EDGE_FALL = 1042;
inline constexpr int IDC_EDGE_RISE = 1043;
inline constexpr int IDC_AXIS_COMMON = 1046;
inline constexpr int IDC_AXIS_EACH = 1047;
inline constexpr int IDC_EDGE_DETAILS = 32830;
inline constexpr int IDC_NEW_LINE_RULE = 32831;     // new lines take the panel's caliper rule
inline constexpr int IDC_NEW_LINE_RULE_SET = 32832;  // the button that sets that rule

// Axis settings dialog fields.
inline constexpr int IDC_ORIGIN_X = 1000;
inline constexpr int IDC_ORIGIN_Y = 1001;
inline constexpr int IDC_XAXIS_X = 1002;
inline constexpr int IDC_XAXIS_Y = 1003;
inline constexpr int IDC_YAXIS_X = 1004;
inline constexpr int IDC_YAXIS_Y = 1005;
inline constexpr int IDC_X_MIN = 1006;
inline constexpr int IDC_X_MAX = 1007;
inline constexpr int IDC_Y_MIN = 1008;
inline constexpr int IDC_Y_MAX = 1009;
inline constexpr int IDC_LOG_X = 1010;
inline constexpr int IDC_LOG_Y = 1011;

// Dialogs and resources.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_AXIS_SETTINGS = 130;
inline constexpr int IDD_DATA_VIEW = 136;
