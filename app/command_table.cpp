// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_table.h"

#include <QCoreApplication>

#include "document/command_ids.h"

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = {
        {IDC_ADD_FILES, "IDC_ADD_FILES", QT_TRANSLATE_NOOP("Frame", "ファイルの追加"), nullptr,
         nullptr},
        {ID_FILE_OPEN, "ID_FILE_OPEN", QT_TRANSLATE_NOOP("Frame", "セッションを開く(&O)..."),
         QT_TRANSLATE_NOOP("Frame", "保存したセッションを開く\nセッションを開く"), nullptr},
        {ID_FILE_SAVE, "ID_FILE_SAVE", QT_TRANSLATE_NOOP("Frame", "セッションの保存(&S)"),
         QT_TRANSLATE_NOOP("Frame", "作業をセッション ファイルに保存\nセッションの保存"), nullptr},
        {ID_FILE_SAVE_AS, "ID_FILE_SAVE_AS", QT_TRANSLATE_NOOP("Frame", "名前を付けて保存(&A)..."),
         QT_TRANSLATE_NOOP("Frame",
                           "作業を新しい名前のセッション ファイルに保存\n名前を付けて保存"),
         nullptr},
        // The document names the step to undo or redo after the text.
        {ID_EDIT_UNDO, "ID_EDIT_UNDO", QT_TRANSLATE_NOOP("Frame", "元に戻す(&U)"),
         QT_TRANSLATE_NOOP("Frame", "直前の操作を元に戻す\n元に戻す"), nullptr},
        {ID_EDIT_REDO, "ID_EDIT_REDO", QT_TRANSLATE_NOOP("Frame", "やり直し(&R)"),
         QT_TRANSLATE_NOOP("Frame", "元に戻した操作をやり直す\nやり直し"), nullptr},
        {ID_FILE_MRU_FILE1, "ID_FILE_MRU_FILE1", QT_TRANSLATE_NOOP("Frame", "最近使ったﾌｧｲﾙ"),
         QT_TRANSLATE_NOOP("Frame", "指定のﾌｧｲﾙを開く\nﾌｧｲﾙを開く"), nullptr},
        {ID_APP_EXIT, "ID_APP_EXIT", QT_TRANSLATE_NOOP("Frame", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"),
         QT_TRANSLATE_NOOP("Frame", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了"), nullptr},
        {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", QT_TRANSLATE_NOOP("Frame", "ﾂｰﾙ ﾊﾞｰ(&T)"),
         QT_TRANSLATE_NOOP("Frame", "ﾂｰﾙ ﾊﾞｰの表示/非表示\nﾂｰﾙ ﾊﾞｰの表示切り替え"), nullptr},
        {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", QT_TRANSLATE_NOOP("Frame", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"),
         QT_TRANSLATE_NOOP("Frame", "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"), nullptr},
        {ID_VIEW_SERIES, "ID_VIEW_SERIES", QT_TRANSLATE_NOOP("Frame", "系列グラフ(&G)"),
         QT_TRANSLATE_NOOP("Frame", "画像ごとの値をグラフで表示/非表示\n系列グラフ"), nullptr},
        {ID_VIEW_PROFILE, "ID_VIEW_PROFILE", QT_TRANSLATE_NOOP("Frame", "プロファイル グラフ(&P)"),
         QT_TRANSLATE_NOOP("Frame",
                           "現在の走査線のプロファイルをグラフで表示/非表示\nプロファイル グラフ"),
         nullptr},
        {ID_VIEW_KYMOGRAPH, "ID_VIEW_KYMOGRAPH", QT_TRANSLATE_NOOP("Frame", "キモグラフ(&K)"),
         QT_TRANSLATE_NOOP("Frame",
                           "現在の走査線のプロファイルを画像ごとに並べて表示/非表示\nキモグラフ"),
         nullptr},
        {ID_REDETECT_ALL, "ID_REDETECT_ALL", QT_TRANSLATE_NOOP("Frame", "すべて再検出(&R)"),
         QT_TRANSLATE_NOOP("Frame",
                           "手で置いた点を除き、すべての画像のすべての走査線でエッジを検出し直す\n"
                           "すべて再検出"),
         nullptr},
        {ID_LINE_RULE, "ID_LINE_RULE", QT_TRANSLATE_NOOP("Frame", "線のルール(&L)..."),
         QT_TRANSLATE_NOOP("Frame",
                           "現在の走査線でエッジを検出するルールを設定\n線のルール"),
         nullptr},
        {ID_DATA_WRITE_CSV, "ID_DATA_WRITE_CSV",
         QT_TRANSLATE_NOOP("Frame", "表形式の書き出し(CSV)..."),
         QT_TRANSLATE_NOOP("Frame",
                           "画像と走査線ごとに 1 行の CSV ファイルを書き出し\nCSV 書き出し"),
         nullptr},
        {ID_PROFILE_WRITE, "ID_PROFILE_WRITE",
         QT_TRANSLATE_NOOP("Frame", "プロファイルの書き出し..."),
         QT_TRANSLATE_NOOP(
             "Frame",
             "現在の走査線のプロファイルを CSV ファイルに書き出し\nプロファイルの書き出し"),
         nullptr},
        {ID_ZOOM_1X, "ID_ZOOM_1X", QT_TRANSLATE_NOOP("Frame", "1倍"),
         QT_TRANSLATE_NOOP("Frame", "画像を等倍で表示\n等倍表示"), ":/toolbar/zoom_1x.png"},
        {ID_ZOOM_2X, "ID_ZOOM_2X", QT_TRANSLATE_NOOP("Frame", "2倍"),
         QT_TRANSLATE_NOOP("Frame", "画像を2倍で表示\n2倍表示"), ":/toolbar/zoom_2x.png"},
        {ID_ZOOM_4X, "ID_ZOOM_4X", QT_TRANSLATE_NOOP("Frame", "4倍"),
         QT_TRANSLATE_NOOP("Frame", "画像を4倍で表示\n4倍表示"), ":/toolbar/zoom_4x.png"},
        {ID_ZOOM_HALF, "ID_ZOOM_HALF", QT_TRANSLATE_NOOP("Frame", "1/2倍"),
         QT_TRANSLATE_NOOP("Frame", "画像を1/2倍で表示\n1/2倍表示"), nullptr},
        {ID_ZOOM_QUARTER, "ID_ZOOM_QUARTER", QT_TRANSLATE_NOOP("Frame", "1/4倍"),
         QT_TRANSLATE_NOOP("Frame", "画像を1/4倍で表示\n1/4倍表示"), nullptr},
        {ID_ZOOM_FIT, "ID_ZOOM_FIT", QT_TRANSLATE_NOOP("Frame", "全体表示"),
         QT_TRANSLATE_NOOP("Frame", "画像全体をウィンドウに合わせて表示\n全体表示"), nullptr},
        {ID_AXIS_ORIGIN, "ID_AXIS_ORIGIN", QT_TRANSLATE_NOOP("Frame", "原点選択"),
         QT_TRANSLATE_NOOP("Frame", "原点位置をマウスで選択\n原点選択"),
         ":/toolbar/pick_origin.png"},
        {ID_AXIS_XPOINT, "ID_AXIS_XPOINT", QT_TRANSLATE_NOOP("Frame", "X軸選択"),
         QT_TRANSLATE_NOOP("Frame", "Ｘ軸位置をマウスで選択\nX軸選択"), ":/toolbar/pick_xaxis.png"},
        {ID_AXIS_YPOINT, "ID_AXIS_YPOINT", QT_TRANSLATE_NOOP("Frame", "Y軸選択"),
         QT_TRANSLATE_NOOP("Frame", "Ｙ軸位置をマウスで選択\nY軸選択"), ":/toolbar/pick_yaxis.png"},
        {ID_AXIS_SETTINGS, "ID_AXIS_SETTINGS", QT_TRANSLATE_NOOP("Frame", "値設定"),
         QT_TRANSLATE_NOOP("Frame", "軸の値を設定\n軸の値設定"), ":/toolbar/axis_settings.png"},
        {ID_DATA_WRITE, "ID_DATA_WRITE", QT_TRANSLATE_NOOP("Frame", "データ書き出し"),
         QT_TRANSLATE_NOOP("Frame", "ﾃﾞｰﾀの書き出し\nﾃﾞｰﾀ書き出し"), ":/toolbar/data_write.png"},
        {ID_MEASURE_LENGTH, "ID_MEASURE_LENGTH", QT_TRANSLATE_NOOP("Frame", "長さ"), nullptr,
         ":/toolbar/measure_length.png"},
        {ID_MEASURE_AREA, "ID_MEASURE_AREA", QT_TRANSLATE_NOOP("Frame", "面積"), nullptr,
         ":/toolbar/measure_area.png"},
        {ID_APP_ABOUT, "ID_APP_ABOUT", QT_TRANSLATE_NOOP("Frame", "Quandrel のﾊﾞｰｼﾞｮﾝ情報(&A)..."),
         QT_TRANSLATE_NOOP("Frame", "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝ、著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"), nullptr},
        // Reached by keys only.
        {ID_MOVE_RIGHT, "ID_MOVE_RIGHT", nullptr, nullptr, nullptr},
        {ID_MOVE_LEFT, "ID_MOVE_LEFT", nullptr, nullptr, nullptr},
        {ID_MOVE_UP, "ID_MOVE_UP", nullptr, nullptr, nullptr},
        {ID_MOVE_DOWN, "ID_MOVE_DOWN", nullptr, nullptr, nullptr},
        {ID_NEXT_PANE, "ID_NEXT_PANE", nullptr,
         QT_TRANSLATE_NOOP("Frame", "次のｳｨﾝﾄﾞｳ ﾍﾟｲﾝに切り替え\n次のﾍﾟｲﾝ"), nullptr},
        {ID_PREV_PANE, "ID_PREV_PANE", nullptr,
         QT_TRANSLATE_NOOP("Frame", "前のｳｨﾝﾄﾞｳ ﾍﾟｲﾝに切り替え\n前のﾍﾟｲﾝ"), nullptr},
        {ID_EDIT_COPY, "ID_EDIT_COPY", nullptr,
         QT_TRANSLATE_NOOP("Frame", "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟｰ"), nullptr},
        {ID_EDIT_CUT, "ID_EDIT_CUT", nullptr,
         QT_TRANSLATE_NOOP("Frame", "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\n切り取り"), nullptr},
        {ID_EDIT_PASTE, "ID_EDIT_PASTE", nullptr,
         QT_TRANSLATE_NOOP("Frame", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を挿入\n貼り付け"), nullptr},
    };
    return table;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& info : CommandTable()) {
        if (info.id == id) return &info;
    }
    return nullptr;
}

QString StatusPrompt(const CommandInfo& info) {
    return info.prompt != nullptr
               ? QCoreApplication::translate("Frame", info.prompt).section('\n', 0, 0)
               : QString();
}

QString ToolTip(const CommandInfo& info) {
    return info.prompt != nullptr
               ? QCoreApplication::translate("Frame", info.prompt).section('\n', 1, 1)
               : QString();
}

const std::vector<Accelerator>& Accelerators() {
    static const std::vector<Accelerator> keys = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), IDC_ADD_FILES},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_DATA_WRITE},
        // Ctrl+O and Ctrl+S add files and write the data file, so sessions take Shift and Alt.
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), ID_FILE_SAVE_AS},
        {QKeySequence(Qt::Key_Right), ID_MOVE_RIGHT},
        {QKeySequence(Qt::Key_Left), ID_MOVE_LEFT},
        {QKeySequence(Qt::Key_Up), ID_MOVE_UP},
        {QKeySequence(Qt::Key_Down), ID_MOVE_DOWN},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), ID_EDIT_REDO},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ID_EDIT_REDO},
    };
    return keys;
}

const std::vector<int>& ToolbarLayout() {
    static const std::vector<int> layout = {ID_DATA_WRITE,
                                            0,
                                            ID_AXIS_ORIGIN,
                                            ID_AXIS_XPOINT,
                                            ID_AXIS_YPOINT,
                                            ID_AXIS_SETTINGS,
                                            0,
                                            ID_ZOOM_1X,
                                            ID_ZOOM_2X,
                                            ID_ZOOM_4X,
                                            ID_MEASURE_LENGTH,
                                            ID_MEASURE_AREA};
    return layout;
}
