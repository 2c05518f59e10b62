#include "app/command_table.h"

#include "document/command_ids.h"

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = {
        {IDC_ADD_FILES, "IDC_ADD_FILES", "ファイルの追加", nullptr, nullptr},
        {ID_FILE_OPEN, "ID_FILE_OPEN", "セッションを開く(&O)...",
         "保存したセッションを開く\nセッションを開く", nullptr},
        {ID_FILE_SAVE, "ID_FILE_SAVE", "セッションの保存(&S)",
         "作業をセッション ファイルに保存\nセッションの保存", nullptr},
        {ID_FILE_SAVE_AS, "ID_FILE_SAVE_AS", "名前を付けて保存(&A)...",
         "作業を新しい名前のセッション ファイルに保存\n名前を付けて保存", nullptr},
        // The document names the step to undo or redo after the text.
        {ID_EDIT_UNDO, "ID_EDIT_UNDO", "元に戻す(&U)", "直前の操作を元に戻す\n元に戻す", nullptr},
        {ID_EDIT_REDO, "ID_EDIT_REDO", "やり直し(&R)", "元に戻した操作をやり直す\nやり直し",
         nullptr},
        {ID_FILE_MRU_FILE1, "ID_FILE_MRU_FILE1", "最近使ったﾌｧｲﾙ", "指定のﾌｧｲﾙを開く\nﾌｧｲﾙを開く",
         nullptr},
        {ID_APP_EXIT, "ID_APP_EXIT", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)",
         "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了", nullptr},
        {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", "ﾂｰﾙ ﾊﾞｰ(&T)",
         "ﾂｰﾙ ﾊﾞｰの表示/非表示\nﾂｰﾙ ﾊﾞｰの表示切り替え", nullptr},
        {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)",
         "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え", nullptr},
        {ID_VIEW_SERIES, "ID_VIEW_SERIES", "系列グラフ(&G)",
         "画像ごとの値をグラフで表示/非表示\n系列グラフ", nullptr},
        {ID_DATA_WRITE_CSV, "ID_DATA_WRITE_CSV", "表形式の書き出し(CSV)...",
         "画像と走査線ごとに 1 行の CSV ファイルを書き出し\nCSV 書き出し", nullptr},
        {ID_ZOOM_1X, "ID_ZOOM_1X", "1倍", "画像を等倍で表示\n等倍表示", ":/toolbar/zoom_1x.png"},
        {ID_ZOOM_2X, "ID_ZOOM_2X", "2倍", "画像を2倍で表示\n2倍表示", ":/toolbar/zoom_2x.png"},
        {ID_ZOOM_4X, "ID_ZOOM_4X", "4倍", "画像を4倍で表示\n4倍表示", ":/toolbar/zoom_4x.png"},
        {ID_ZOOM_HALF, "ID_ZOOM_HALF", "1/2倍", "画像を1/2倍で表示\n1/2倍表示", nullptr},
        {ID_ZOOM_QUARTER, "ID_ZOOM_QUARTER", "1/4倍", "画像を1/4倍で表示\n1/4倍表示", nullptr},
        {ID_ZOOM_FIT, "ID_ZOOM_FIT", "全体表示", "画像全体をウィンドウに合わせて表示\n全体表示",
         nullptr},
        {ID_AXIS_ORIGIN, "ID_AXIS_ORIGIN", "原点選択", "原点位置をマウスで選択\n原点選択",
         ":/toolbar/pick_origin.png"},
        {ID_AXIS_XPOINT, "ID_AXIS_XPOINT", "X軸選択", "Ｘ軸位置をマウスで選択\nX軸選択",
         ":/toolbar/pick_xaxis.png"},
        {ID_AXIS_YPOINT, "ID_AXIS_YPOINT", "Y軸選択", "Ｙ軸位置をマウスで選択\nY軸選択",
         ":/toolbar/pick_yaxis.png"},
        {ID_AXIS_SETTINGS, "ID_AXIS_SETTINGS", "値設定", "軸の値を設定\n軸の値設定",
         ":/toolbar/axis_settings.png"},
        {ID_DATA_WRITE, "ID_DATA_WRITE", "データ書き出し", "ﾃﾞｰﾀの書き出し\nﾃﾞｰﾀ書き出し",
         ":/toolbar/data_write.png"},
        {ID_MEASURE_LENGTH, "ID_MEASURE_LENGTH", "長さ", nullptr, ":/toolbar/measure_length.png"},
        {ID_MEASURE_AREA, "ID_MEASURE_AREA", "面積", nullptr, ":/toolbar/measure_area.png"},
        {ID_APP_ABOUT, "ID_APP_ABOUT", "Quandrel のﾊﾞｰｼﾞｮﾝ情報(&A)...",
         "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝ、著作権を表示\nﾊﾞｰｼﾞｮﾝ情報", nullptr},
        // Reached by keys only.
        {ID_MOVE_RIGHT, "ID_MOVE_RIGHT", nullptr, nullptr, nullptr},
        {ID_MOVE_LEFT, "ID_MOVE_LEFT", nullptr, nullptr, nullptr},
        {ID_MOVE_UP, "ID_MOVE_UP", nullptr, nullptr, nullptr},
        {ID_MOVE_DOWN, "ID_MOVE_DOWN", nullptr, nullptr, nullptr},
        {ID_NEXT_PANE, "ID_NEXT_PANE", nullptr, "次のｳｨﾝﾄﾞｳ ﾍﾟｲﾝに切り替え\n次のﾍﾟｲﾝ", nullptr},
        {ID_PREV_PANE, "ID_PREV_PANE", nullptr, "前のｳｨﾝﾄﾞｳ ﾍﾟｲﾝに切り替え\n前のﾍﾟｲﾝ", nullptr},
        {ID_EDIT_COPY, "ID_EDIT_COPY", nullptr, "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟｰ",
         nullptr},
        {ID_EDIT_CUT, "ID_EDIT_CUT", nullptr, "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\n切り取り",
         nullptr},
        {ID_EDIT_PASTE, "ID_EDIT_PASTE", nullptr, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を挿入\n貼り付け", nullptr},
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
    return info.prompt != nullptr ? QString::fromUtf8(info.prompt).section('\n', 0, 0) : QString();
}

QString ToolTip(const CommandInfo& info) {
    return info.prompt != nullptr ? QString::fromUtf8(info.prompt).section('\n', 1, 1) : QString();
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
