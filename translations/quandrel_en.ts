<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>Document</name>
    <message>
        <source>軸の値の設定</source>
        <translation>Set Axis Values</translation>
    </message>
    <message>
        <source>エッジ点の移動</source>
        <translation>Move Edge Point</translation>
    </message>
    <message>
        <source>再検出</source>
        <translation>Redetect</translation>
    </message>
    <message>
        <source>ファイルの追加</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>ファイルの削除</source>
        <translation>Delete File</translation>
    </message>
    <message>
        <source>すべて削除</source>
        <translation>Delete All</translation>
    </message>
    <message>
        <source>ファイルの並べ替え</source>
        <translation>Sort Files</translation>
    </message>
    <message>
        <source>ファイルを上へ</source>
        <translation>Move File Up</translation>
    </message>
    <message>
        <source>ファイルを下へ</source>
        <translation>Move File Down</translation>
    </message>
    <message>
        <source>走査線の追加</source>
        <translation>Add Scan Line</translation>
    </message>
    <message>
        <source>走査線の変形</source>
        <translation>Reshape Scan Line</translation>
    </message>
    <message>
        <source>走査線の削除</source>
        <translation>Delete Scan Line</translation>
    </message>
    <message>
        <source>オプションの変更</source>
        <translation>Change Options</translation>
    </message>
    <message>
        <source>エッジ検出の詳細設定の変更</source>
        <translation>Change Edge Detection Details</translation>
    </message>
    <message>
        <source>表示する輝度値の変更</source>
        <translation>Change Brightness Shown</translation>
    </message>
    <message>
        <source>エッジとして検出する点の変更</source>
        <translation>Change Edge Rule</translation>
    </message>
    <message>
        <source>エッジの自動検出の切り替え</source>
        <translation>Toggle Automatic Edge Detection</translation>
    </message>
    <message>
        <source>軸の設定の切り替え</source>
        <translation>Toggle Axis Settings</translation>
    </message>
    <message>
        <source>面積の計測</source>
        <translation>Measure Area</translation>
    </message>
    <message>
        <source>長さの計測</source>
        <translation>Measure Length</translation>
    </message>
    <message>
        <source>ファイルを開くことができません
%1
%2</source>
        <translation>The file cannot be opened
%1
%2</translation>
    </message>
    <message>
        <source>エッジを検出しています</source>
        <translation>Detecting edges</translation>
    </message>
    <message>
        <source>次の画像を読み込めなかったため、エッジを検出できませんでした。
</source>
        <translation>These images could not be read, so their edges could not be detected.
</translation>
    </message>
    <message>
        <source>
ほか %1 件</source>
        <translation>
and %1 more</translation>
    </message>
    <message>
        <source>データファイル (*.dat)</source>
        <translation>Data file (*.dat)</translation>
    </message>
    <message>
        <source>CSV ファイル、カンマ区切り (*.csv)</source>
        <translation>CSV file, comma-separated (*.csv)</translation>
    </message>
    <message>
        <source>CSV ファイル、セミコロン区切りで小数点はコンマ (*.csv)</source>
        <translation>CSV file, semicolon-separated with decimal comma (*.csv)</translation>
    </message>
    <message>
        <source>データがありません</source>
        <translation>There is no data</translation>
    </message>
    <message>
        <source>測定中の画像には書き出せません
%1</source>
        <translation>Cannot write over an image being measured
%1</translation>
    </message>
    <message>
        <source>メモリが足りません。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>ファイルを開くことができませんでした
%1
%2</source>
        <translation>The file could not be opened
%1
%2</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>すべてのファイル(*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>現在のファイルを削除しますか</source>
        <translation>Delete the current file?</translation>
    </message>
    <message>
        <source>全てのファイルを削除しますか</source>
        <translation>Delete all files?</translation>
    </message>
    <message>
        <source>画像に画素がありません。</source>
        <translation>The image has no pixels.</translation>
    </message>
    <message>
        <source>原点の設定</source>
        <translation>Set Origin</translation>
    </message>
    <message>
        <source>X軸点の設定</source>
        <translation>Set X Axis Point</translation>
    </message>
    <message>
        <source>Y軸点の設定</source>
        <translation>Set Y Axis Point</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます（上限は 2 GiB）。</source>
        <translation>The file is too large (the limit is 2 GiB).</translation>
    </message>
    <message>
        <source>ファイルが見つかりません。</source>
        <translation>The file is not found.</translation>
    </message>
    <message>
        <source>アクセスが拒否されました。</source>
        <translation>Access is denied.</translation>
    </message>
    <message>
        <source>フォルダです。</source>
        <translation>It is a folder.</translation>
    </message>
    <message>
        <source>パスの途中がフォルダではありません。</source>
        <translation>A part of the path is not a folder.</translation>
    </message>
    <message>
        <source>パスが長すぎます。</source>
        <translation>The path is too long.</translation>
    </message>
    <message>
        <source>ファイルを読み込めません（%1）。</source>
        <translation>The file cannot be read (%1).</translation>
    </message>
    <message>
        <source>通常のファイルではありません。</source>
        <translation>It is not a regular file.</translation>
    </message>
    <message>
        <source>ファイルが空です。</source>
        <translation>The file is empty.</translation>
    </message>
    <message>
        <source>画像のデータに欠けている画素があります。</source>
        <translation>Pixels are missing from the image data.</translation>
    </message>
    <message>
        <source>ファイルが途中で切れています。</source>
        <translation>The file is cut short.</translation>
    </message>
    <message>
        <source>画像のデータが壊れています。</source>
        <translation>The image data is damaged.</translation>
    </message>
    <message>
        <source>画像が大きすぎます（%1 × %2 ピクセル、上限は 1 GiB）。</source>
        <translation>The image is too large (%1 × %2 pixels, the limit is 1 GiB).</translation>
    </message>
    <message>
        <source>GIF の画像が画面の外にはみ出しています。</source>
        <translation>The GIF image extends beyond its screen.</translation>
    </message>
    <message>
        <source>この圧縮方式（%1）の TIFF 画像は読み込めません。</source>
        <translation>TIFF images with this compression (%1) cannot be read.</translation>
    </message>
    <message>
        <source>BMP、JPEG、GIF、PNG、TIFF のいずれの画像でもありません。</source>
        <translation>It is not a BMP, JPEG, GIF, PNG or TIFF image.</translation>
    </message>
    <message>
        <source>%1 の画像です。読み込めるのは BMP、JPEG、GIF、PNG、TIFF の画像です。</source>
        <translation>It is a %1 image. BMP, JPEG, GIF, PNG and TIFF images can be read.</translation>
    </message>
    <message>
        <source>X（変換値）</source>
        <translation>X (converted)</translation>
    </message>
    <message>
        <source>Y（変換値）</source>
        <translation>Y (converted)</translation>
    </message>
    <message>
        <source>dx（ピクセル）</source>
        <translation>dx (pixels)</translation>
    </message>
    <message>
        <source>dy（ピクセル）</source>
        <translation>dy (pixels)</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>面積</source>
        <translation>Area</translation>
    </message>
    <message>
        <source>走査線 %1</source>
        <translation>Scan line %1</translation>
    </message>
    <message>
        <source>軸の設定が正しくないため変換できません。</source>
        <translation>The axis settings are not valid, so values cannot be converted.</translation>
    </message>
    <message>
        <source>セッション ファイル (*.quandrel;*.json)</source>
        <translation>Session files (*.quandrel;*.json)</translation>
    </message>
    <message>
        <source>ファイルを読み込めません。</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>%1 行 %2 列目から JSON として正しくありません。</source>
        <translation>It is not valid JSON from line %1, column %2.</translation>
    </message>
    <message>
        <source>セッション ファイルではありません。</source>
        <translation>It is not a session file.</translation>
    </message>
    <message>
        <source>項目 %1 が正しくありません。</source>
        <translation>The field %1 is not valid.</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>%1 への変更を保存しますか</source>
        <translation>Save the changes to %1?</translation>
    </message>
    <message>
        <source>セッションを開くことができません
%1
%2</source>
        <translation>The session cannot be opened
%1
%2</translation>
    </message>
    <message>
        <source>このセッションの画像のうち %1 件が見つかりません。ファイルの一覧に印が付いています。
</source>
        <translation>%1 of this session&apos;s images are not found. They are marked in the file list.
</translation>
    </message>
    <message>
        <source>作業をセッションに書けません。</source>
        <translation>The work cannot be written to the session.</translation>
    </message>
    <message>
        <source>セッションを保存できませんでした
%1
%2</source>
        <translation>The session could not be saved
%1
%2</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません。</source>
        <translation>The disk is full.</translation>
    </message>
    <message>
        <source>書き込む権限がありません。</source>
        <translation>There is no permission to write.</translation>
    </message>
    <message>
        <source>フォルダが見つかりません。</source>
        <translation>The folder is not found.</translation>
    </message>
    <message>
        <source>同じ名前のフォルダがあります。</source>
        <translation>A folder of the same name exists.</translation>
    </message>
    <message>
        <source>画像ファイル(*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tif;*.tiff)</source>
        <translation>Image files (*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tif;*.tiff)</translation>
    </message>
    <message>
        <source>現在のファイルを削除しますか
%1</source>
        <translation>Delete the current file?
%1</translation>
    </message>
    <message>
        <source>このセッション ファイルの名前は UTF-8 の文字列ではないため、同じ名前では保存できません。無題として開きました。
%1</source>
        <translation>The name of this session file is not UTF-8 text, so the work cannot be saved under it. It was opened as untitled.
%1</translation>
    </message>
    <message>
        <source>開けるセッションは一度に一つです。次のセッションは開きませんでした。
%1</source>
        <translation>Only one session can be open at a time. These sessions were not opened:
%1</translation>
    </message>
    <message>
        <source>作業のコピーを %1 に書き込めません。異常終了すると保存していない作業は失われます。</source>
        <translation>The copy of the work cannot be written to %1. Unsaved work would be lost if the program ended abnormally.</translation>
    </message>
    <message>
        <source>メモリが足りないため、セッションを開くことができません
%1</source>
        <translation>There is not enough memory to open the session
%1</translation>
    </message>
    <message>
        <source>

これらの画像の検出されていない点には測定値がなく、データファイルでは No Data、表では空欄として書き出されます。書き出しますか</source>
        <translation>

Their undetected points hold no measurement: they will be written as No Data in the data file and as empty fields in the table. Write the file?</translation>
    </message>
    <message>
        <source>現在とは異なる設定（検出する点、輝度値または詳細設定）で検出されたエッジ点が %1 個あります。「すべて再検出」で現在の設定にそろえることができます。

このまま書き出しますか</source>
        <translation>Edge points detected with other settings than the current ones (rule, brightness or detail settings): %1. &quot;Redetect All&quot; brings them to the current settings.

Write the results as they are?</translation>
    </message>
    <message>
        <source>エッジを検出し直しています</source>
        <translation>Detecting the edges again</translation>
    </message>
    <message>
        <source>次の画像を読み込めなかったため、検出し直せませんでした。これらの画像の点は元のままです。
</source>
        <translation>The edges of the following images could not be detected again because the images could not be read. Their points stay as they were.
</translation>
    </message>
    <message>
        <source>すべて再検出</source>
        <translation>Redetect All</translation>
    </message>
    <message>
        <source>エッジ検出の設定が変わりました。以前の設定で検出された点が %1 個あります。

すべての画像で検出し直しますか（手で置いた点はそのまま残ります）</source>
        <translation>The edge detection settings have changed. Points detected with the earlier settings: %1.

Detect them again on every image? (Points placed by hand stay where they are.)</translation>
    </message>
    <message>
        <source>幅（ピクセル）</source>
        <translation>Width (pixels)</translation>
    </message>
    <message>
        <source>幅（変換値）</source>
        <translation>Width (converted)</translation>
    </message>
    <message>
        <source>不確かさ（サンプル）</source>
        <translation>Uncertainty (samples)</translation>
    </message>
    <message>
        <source>線のルールの変更</source>
        <translation>Line Rule Change</translation>
    </message>
    <message>
        <source>新しい線のルールの変更</source>
        <translation>New Lines&apos; Rule Change</translation>
    </message>
    <message>
        <source>ルールの数が上限に達したため、このルールは使えません。</source>
        <translation>This rule cannot be used: the number of rules has reached its limit.</translation>
    </message>
    <message>
        <source>この線のルールが変わりました。以前のルールで検出された点が %1 個あります。

この線をすべての画像で検出し直しますか（手で置いた点はそのまま残ります）</source>
        <translation>The rule of this line has changed. Points detected with the earlier rule: %1.

Detect this line again on every image? (Points placed by hand stay where they are.)</translation>
    </message>
    <message>
        <source>走査線が選ばれていないため、プロファイルを書き出せません</source>
        <translation>No scan line is selected, so there is no profile to export</translation>
    </message>
    <message>
        <source>画像を読み込めないため、プロファイルを書き出せません</source>
        <translation>The picture cannot be read, so its profile cannot be exported</translation>
    </message>
    <message>
        <source>線の再検出</source>
        <translation>Redetect Line</translation>
    </message>
    <message>
        <source>ページ %1 はありません（ファイルは %2 ページです）。</source>
        <translation>There is no page %1 (the file has %2 pages).</translation>
    </message>
    <message>
        <source>この種類の TIFF 画像は読み込めません（%1）。</source>
        <translation>TIFF images of this kind (%1) cannot be read.</translation>
    </message>
    <message>
        <source>動画を読み込めません（%1）。</source>
        <translation>The video cannot be read (%1).</translation>
    </message>
    <message>
        <source>読み込める動画ではありません（%1）。</source>
        <translation>Not a video this program can read (%1).</translation>
    </message>
    <message>
        <source>動画のフレーム %1 が壊れています。</source>
        <translation>Frame %1 of the video is damaged.</translation>
    </message>
    <message>
        <source>動画がフレーム %1 の前で終わっています（ファイルが途中で切れています）。</source>
        <translation>The video ends before frame %1 (the file is cut short).</translation>
    </message>
    <message>
        <source>動画のコーデック %1 を復号できません。</source>
        <translation>The video&apos;s codec %1 cannot be decoded.</translation>
    </message>
    <message>
        <source>動画のフレームは %1 枚です。フレーム %2 はありません。</source>
        <translation>The video has %1 frames: there is no frame %2.</translation>
    </message>
    <message>
        <source>フレーム %1 は動画の最初のキーフレームより前にあります。</source>
        <translation>Frame %1 comes before the video&apos;s first key frame.</translation>
    </message>
    <message>
        <source>動画のフレームに区別できるタイムスタンプがなく、番号を付けられません。</source>
        <translation>The video&apos;s frames have no distinct timestamps to number them by.</translation>
    </message>
    <message>
        <source>動画にフレームがありません。</source>
        <translation>The video has no frames.</translation>
    </message>
    <message>
        <source>時刻の決め方の変更</source>
        <translation>Change of the time rule</translation>
    </message>
    <message>
        <source>時刻のない画像が %1 件あります。表の time の欄はそれらの行で空です（画像番号で代用してください）。</source>
        <translation>%1 image(s) have no time. The table's time field is empty on their rows (use the image number in its place).</translation>
    </message>
    <message>
        <source>ファイルを調べています</source>
        <translation>Surveying the files</translation>
    </message>
    <message>
        <source>キモグラフを保存できませんでした
%1
%2</source>
        <translation>The kymograph could not be saved
%1
%2</translation>
    </message>
    <message>
        <source>PNG 画像 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>TIFF 画像 (*.tif *.tiff)</source>
        <translation>TIFF image (*.tif *.tiff)</translation>
    </message>
    <message>
        <source>キモグラフを保存しています</source>
        <translation>Saving the kymograph</translation>
    </message>
    <message>
        <source>キモグラフを書き出しています</source>
        <translation>Writing the kymograph</translation>
    </message>
    <message>
        <source>時刻なし</source>
        <translation>No time</translation>
    </message>
    <message>
        <source>動画のタイムスタンプ</source>
        <translation>video timestamp</translation>
    </message>
    <message>
        <source>スタックの記述</source>
        <translation>stack description</translation>
    </message>
    <message>
        <source>EXIF の撮影日時</source>
        <translation>EXIF date taken</translation>
    </message>
    <message>
        <source>一定の間隔</source>
        <translation>fixed interval</translation>
    </message>
    <message>
        <source>ファイルの更新日時</source>
        <translation>file modification time</translation>
    </message>
    <message>
        <source>時刻なし（画像番号 %1 で代用）</source>
        <translation>No time (image number %1 stands for it)</translation>
    </message>
    <message>
        <source>時刻 %1 秒（%2）</source>
        <translation>Time %1 s (%2)</translation>
    </message>
    <message>
        <source>来歴ファイル %1 を書き出せません: %2</source>
        <translation>Cannot write the provenance file %1: %2</translation>
    </message>
</context>
<context>
    <name>Frame</name>
    <message>
        <source>Quandrelのﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About Quandrel</translation>
    </message>
    <message>
        <source>ファイルの追加</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>セッションを開く(&amp;O)...</source>
        <translation>&amp;Open Session...</translation>
    </message>
    <message>
        <source>保存したセッションを開く
セッションを開く</source>
        <translation>Open a saved session
Open Session</translation>
    </message>
    <message>
        <source>セッションの保存(&amp;S)</source>
        <translation>&amp;Save Session</translation>
    </message>
    <message>
        <source>作業をセッション ファイルに保存
セッションの保存</source>
        <translation>Save the work in a session file
Save Session</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save Session &amp;As...</translation>
    </message>
    <message>
        <source>作業を新しい名前のセッション ファイルに保存
名前を付けて保存</source>
        <translation>Save the work in a session file of a new name
Save Session As</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>直前の操作を元に戻す
元に戻す</source>
        <translation>Undo the last action
Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>元に戻した操作をやり直す
やり直し</source>
        <translation>Redo the action undone
Redo</translation>
    </message>
    <message>
        <source>最近使ったﾌｧｲﾙ</source>
        <translation>Recent File</translation>
    </message>
    <message>
        <source>指定のﾌｧｲﾙを開く
ﾌｧｲﾙを開く</source>
        <translation>Open this file
Open File</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示
終了</source>
        <translation>Quit the application; prompts to save the work
Exit</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰ(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰの表示/非表示
ﾂｰﾙ ﾊﾞｰの表示切り替え</source>
        <translation>Show or hide the toolbar
Toggle Toolbar</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰ(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示
ｽﾃｰﾀｽ ﾊﾞｰの表示切り替え</source>
        <translation>Show or hide the status bar
Toggle Status Bar</translation>
    </message>
    <message>
        <source>系列グラフ(&amp;G)</source>
        <translation>Series &amp;Graph</translation>
    </message>
    <message>
        <source>画像ごとの値をグラフで表示/非表示
系列グラフ</source>
        <translation>Show or hide the graph of each image&apos;s values
Series Graph</translation>
    </message>
    <message>
        <source>表形式の書き出し(CSV)...</source>
        <translation>Write Table (CSV)...</translation>
    </message>
    <message>
        <source>画像と走査線ごとに 1 行の CSV ファイルを書き出し
CSV 書き出し</source>
        <translation>Write a CSV file of one row per image and scan line
Write CSV</translation>
    </message>
    <message>
        <source>1倍</source>
        <translation>1x</translation>
    </message>
    <message>
        <source>画像を等倍で表示
等倍表示</source>
        <translation>Show the image at actual size
Actual Size</translation>
    </message>
    <message>
        <source>2倍</source>
        <translation>2x</translation>
    </message>
    <message>
        <source>画像を2倍で表示
2倍表示</source>
        <translation>Show the image at twice its size
Zoom 2x</translation>
    </message>
    <message>
        <source>4倍</source>
        <translation>4x</translation>
    </message>
    <message>
        <source>画像を4倍で表示
4倍表示</source>
        <translation>Show the image at four times its size
Zoom 4x</translation>
    </message>
    <message>
        <source>1/2倍</source>
        <translation>1/2x</translation>
    </message>
    <message>
        <source>画像を1/2倍で表示
1/2倍表示</source>
        <translation>Show the image at half its size
Zoom 1/2x</translation>
    </message>
    <message>
        <source>1/4倍</source>
        <translation>1/4x</translation>
    </message>
    <message>
        <source>画像を1/4倍で表示
1/4倍表示</source>
        <translation>Show the image at a quarter of its size
Zoom 1/4x</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Fit to Window</translation>
    </message>
    <message>
        <source>画像全体をウィンドウに合わせて表示
全体表示</source>
        <translation>Show the whole image fitted to the window
Fit to Window</translation>
    </message>
    <message>
        <source>原点選択</source>
        <translation>Pick Origin</translation>
    </message>
    <message>
        <source>原点位置をマウスで選択
原点選択</source>
        <translation>Pick the origin with the mouse
Pick Origin</translation>
    </message>
    <message>
        <source>X軸選択</source>
        <translation>Pick X Axis</translation>
    </message>
    <message>
        <source>Ｘ軸位置をマウスで選択
X軸選択</source>
        <translation>Pick the X axis point with the mouse
Pick X Axis</translation>
    </message>
    <message>
        <source>Y軸選択</source>
        <translation>Pick Y Axis</translation>
    </message>
    <message>
        <source>Ｙ軸位置をマウスで選択
Y軸選択</source>
        <translation>Pick the Y axis point with the mouse
Pick Y Axis</translation>
    </message>
    <message>
        <source>値設定</source>
        <translation>Axis Values</translation>
    </message>
    <message>
        <source>軸の値を設定
軸の値設定</source>
        <translation>Set the axis values
Set Axis Values</translation>
    </message>
    <message>
        <source>データ書き出し</source>
        <translation>Write Data</translation>
    </message>
    <message>
        <source>ﾃﾞｰﾀの書き出し
ﾃﾞｰﾀ書き出し</source>
        <translation>Write the data file
Write Data</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>面積</source>
        <translation>Area</translation>
    </message>
    <message>
        <source>Quandrel のﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</source>
        <translation>&amp;About Quandrel...</translation>
    </message>
    <message>
        <source>ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝ、著作権を表示
ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>Show the program&apos;s information, version and copyright
About</translation>
    </message>
    <message>
        <source>次のｳｨﾝﾄﾞｳ ﾍﾟｲﾝに切り替え
次のﾍﾟｲﾝ</source>
        <translation>Switch to the next window pane
Next Pane</translation>
    </message>
    <message>
        <source>前のｳｨﾝﾄﾞｳ ﾍﾟｲﾝに切り替え
前のﾍﾟｲﾝ</source>
        <translation>Switch to the previous window pane
Previous Pane</translation>
    </message>
    <message>
        <source>選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存
ｺﾋﾟｰ</source>
        <translation>Copy the selection to the clipboard
Copy</translation>
    </message>
    <message>
        <source>選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存
切り取り</source>
        <translation>Cut the selection to the clipboard
Cut</translation>
    </message>
    <message>
        <source>ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を挿入
貼り付け</source>
        <translation>Insert the clipboard&apos;s contents
Paste</translation>
    </message>
    <message>
        <source>メモリが足りません。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>ﾃﾞｰﾀ(&amp;D)</source>
        <translation>&amp;Data</translation>
    </message>
    <message>
        <source>軸設定</source>
        <translation>Axes</translation>
    </message>
    <message>
        <source>計測</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰ</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>ﾚﾃﾞｨ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>系列グラフ</source>
        <translation>Series Graph</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>前回、保存されていない作業を残したまま Quandrel が終了しました。
%1
%2 の時点の作業を復元しますか</source>
        <translation>Quandrel ended last time with unsaved work.
%1
Restore the work as it was at %2?</translation>
    </message>
    <message>
        <source>%1 を開くことができません。
%2</source>
        <translation>%1 cannot be opened.
%2</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>すべて再検出(&amp;R)</source>
        <translation>&amp;Redetect All</translation>
    </message>
    <message>
        <source>手で置いた点を除き、すべての画像のすべての走査線でエッジを検出し直す
すべて再検出</source>
        <translation>Detect the edges of every scan line on every image again, except points placed by hand
Redetect All</translation>
    </message>
    <message>
        <source>前回、新しい版の Quandrel が保存されていない作業を残して終了しました。
%1
この版では開けません。新しい版で開いてください。作業のコピー:
%2</source>
        <translation>Last time, a newer version of Quandrel ended and left unsaved work.
%1
This version cannot open it. Open it with the newer version. The copy of the work:
%2</translation>
    </message>
    <message>
        <source>線のルール(&amp;L)...</source>
        <translation>&amp;Line Rule...</translation>
    </message>
    <message>
        <source>プロファイル グラフ(&amp;P)</source>
        <translation>&amp;Profile Plot</translation>
    </message>
    <message>
        <source>現在の走査線のプロファイルをグラフで表示/非表示
プロファイル グラフ</source>
        <translation>Show or hide the current scan line&apos;s profile as a plot
Profile Plot</translation>
    </message>
    <message>
        <source>プロファイルの書き出し...</source>
        <translation>Export Profile...</translation>
    </message>
    <message>
        <source>現在の走査線のプロファイルを CSV ファイルに書き出し
プロファイルの書き出し</source>
        <translation>Export the current scan line&apos;s profile as a CSV file
Export Profile</translation>
    </message>
    <message>
        <source>プロファイル グラフ</source>
        <translation>Profile Plot</translation>
    </message>
    <message>
        <source>現在の走査線でエッジを検出するルールを設定
線のルール</source>
        <translation>Sets the rule that finds the edge on the current line
Line Rule</translation>
    </message>
    <message>
        <source>キモグラフ(&amp;K)</source>
        <translation>&amp;Kymograph</translation>
    </message>
    <message>
        <source>現在の走査線のプロファイルを画像ごとに並べて表示/非表示
キモグラフ</source>
        <translation>Show or hide the current line's profile on every image, one row each
Kymograph</translation>
    </message>
    <message>
        <source>キモグラフ</source>
        <translation>Kymograph</translation>
    </message>
</context>
<context>
    <name>Panel</name>
    <message>
        <source>軸の設定</source>
        <translation>Axis Settings</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ピクセル値</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <source>原点</source>
        <translation>Origin</translation>
    </message>
    <message>
        <source>X&#x3000;軸</source>
        <translation>X axis</translation>
    </message>
    <message>
        <source>Y&#x3000;軸</source>
        <translation>Y axis</translation>
    </message>
    <message>
        <source>座標値</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>対数軸</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation>Enter a whole number.</translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation>Enter a number.</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>すべて削除</source>
        <translation>Delete All</translation>
    </message>
    <message>
        <source>ソート</source>
        <translation>Sort</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下へ</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>合計</source>
        <translation>Sum</translation>
    </message>
    <message>
        <source>最小値</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大値</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>下り勾配の最大値</source>
        <translation>Steepest fall</translation>
    </message>
    <message>
        <source>上り勾配の最大値</source>
        <translation>Steepest rise</translation>
    </message>
    <message>
        <source>共通</source>
        <translation>All</translation>
    </message>
    <message>
        <source>個別</source>
        <translation>Each</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>表示する輝度値</source>
        <translation>Brightness shown</translation>
    </message>
    <message>
        <source>エッジの自動検出</source>
        <translation>Auto-detect</translation>
    </message>
    <message>
        <source>エッジとして検出する点</source>
        <translation>Edge is taken at</translation>
    </message>
    <message>
        <source>再検出</source>
        <translation>Redetect</translation>
    </message>
    <message>
        <source>走査線削除</source>
        <translation>Delete Line</translation>
    </message>
    <message>
        <source>詳細設定</source>
        <translation>Details...</translation>
    </message>
    <message>
        <source>座標設定</source>
        <translation>Axes...</translation>
    </message>
    <message>
        <source>エッジ検出の詳細設定</source>
        <translation>Edge Detection Details</translation>
    </message>
    <message>
        <source> 画素</source>
        <translation> px</translation>
    </message>
    <message>
        <source>線の幅:</source>
        <translation>Line width:</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>移動平均</source>
        <translation>Moving average</translation>
    </message>
    <message>
        <source>ガウシアン</source>
        <translation>Gaussian</translation>
    </message>
    <message>
        <source>平滑化:</source>
        <translation>Smoothing:</translation>
    </message>
    <message>
        <source> サンプル</source>
        <translation> samples</translation>
    </message>
    <message>
        <source>平滑化の幅:</source>
        <translation>Smoothing width:</translation>
    </message>
    <message>
        <source>サブピクセル位置で検出</source>
        <translation>Detect at sub-pixel position</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>画像 %1</source>
        <translation>Image %1</translation>
    </message>
    <message>
        <source>
ほか %1 本</source>
        <translation>
and %1 more</translation>
    </message>
    <message>
        <source>
値なし</source>
        <translation>
no value</translation>
    </message>
    <message>
        <source>
検出待ち</source>
        <translation>
waiting for detection</translation>
    </message>
    <message>
        <source>画像番号</source>
        <translation>Image number</translation>
    </message>
    <message>
        <source>ほか %1 本</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>画像がありません</source>
        <translation>No images</translation>
    </message>
    <message>
        <source>値はまだありません</source>
        <translation>No values yet</translation>
    </message>
    <message>
        <source>測定中 %v / %m</source>
        <translation>Measuring %v / %m</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>画像の保存...</source>
        <translation>Save Image...</translation>
    </message>
    <message>
        <source>表示する量</source>
        <translation>Quantity</translation>
    </message>
    <message>
        <source>PNG 画像 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>SVG 画像 (*.svg)</source>
        <translation>SVG image (*.svg)</translation>
    </message>
    <message>
        <source>グラフを保存できませんでした
%1
%2</source>
        <translation>The graph could not be saved
%1
%2</translation>
    </message>
    <message>
        <source>読めません</source>
        <translation>unreadable</translation>
    </message>
    <message>
        <source>途中で切断</source>
        <translation>cut short</translation>
    </message>
    <message>
        <source>破損</source>
        <translation>damaged</translation>
    </message>
    <message>
        <source>非対応の形式</source>
        <translation>unsupported</translation>
    </message>
    <message>
        <source>大きすぎます</source>
        <translation>too large</translation>
    </message>
    <message>
        <source>メモリ不足</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>見つかりません</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>再開</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>画像 %1: %2</source>
        <translation>Image %1: %2</translation>
    </message>
    <message>
        <source>全長を測定</source>
        <translation>Measure whole lines</translation>
    </message>
    <message>
        <source>1,024 サンプルを超える走査線も、最初の 1,024 サンプルだけでなく全長を測定します</source>
        <translation>Measure scan lines longer than 1,024 samples over their whole length, not only their first 1,024 samples</translation>
    </message>
    <message>
        <source>軸の値の差が大きすぎます。</source>
        <translation>The axis values are too far apart.</translation>
    </message>
    <message>
        <source>対数軸には 0 より大きい値を入力してください。</source>
        <translation>Enter a value greater than 0 for a logarithmic axis.</translation>
    </message>
    <message>
        <source>エッジ検出のルール</source>
        <translation>Edge Detection Rule</translation>
    </message>
    <message>
        <source>パネルのルールに従う</source>
        <translation>Follow the panel&apos;s rule</translation>
    </message>
    <message>
        <source>エッジ</source>
        <translation>Edge</translation>
    </message>
    <message>
        <source>しきい値</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <source>エッジの対</source>
        <translation>Edge pair</translation>
    </message>
    <message>
        <source>種類:</source>
        <translation>Kind:</translation>
    </message>
    <message>
        <source>σ (サンプル):</source>
        <translation>σ (samples):</translation>
    </message>
    <message>
        <source>暗→明</source>
        <translation>Dark to light</translation>
    </message>
    <message>
        <source>明→暗</source>
        <translation>Light to dark</translation>
    </message>
    <message>
        <source>両方</source>
        <translation>Either</translation>
    </message>
    <message>
        <source>向き:</source>
        <translation>Polarity:</translation>
    </message>
    <message>
        <source>最小コントラスト:</source>
        <translation>Minimum contrast:</translation>
    </message>
    <message>
        <source>最初</source>
        <translation>First</translation>
    </message>
    <message>
        <source>最後</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>最も強いもの</source>
        <translation>Strongest</translation>
    </message>
    <message>
        <source>n 番目</source>
        <translation>n-th</translation>
    </message>
    <message>
        <source>隣の画像の点に最も近いもの</source>
        <translation>Nearest to the neighbouring image&apos;s point</translation>
    </message>
    <message>
        <source>選ぶエッジ:</source>
        <translation>Edge chosen:</translation>
    </message>
    <message>
        <source>n:</source>
        <translation>n:</translation>
    </message>
    <message>
        <source>放物線</source>
        <translation>Parabola</translation>
    </message>
    <message>
        <source>ガウス</source>
        <translation>Gaussian</translation>
    </message>
    <message>
        <source>ステップ当てはめ</source>
        <translation>Step fit</translation>
    </message>
    <message>
        <source>位置の推定:</source>
        <translation>Position estimate:</translation>
    </message>
    <message>
        <source>しきい値:</source>
        <translation>Level:</translation>
    </message>
    <message>
        <source>最小値と最大値の間の割合 (0～1)</source>
        <translation>As a fraction between minimum and maximum (0 to 1)</translation>
    </message>
    <message>
        <source>最後の交点を取る</source>
        <translation>Take the last crossing</translation>
    </message>
    <message>
        <source>暗い地の明るい帯</source>
        <translation>Bright bar on dark ground</translation>
    </message>
    <message>
        <source>明るい地の暗い帯</source>
        <translation>Dark bar on bright ground</translation>
    </message>
    <message>
        <source>対の並び:</source>
        <translation>Pair order:</translation>
    </message>
    <message>
        <source>最小幅 (サンプル):</source>
        <translation>Minimum width (samples):</translation>
    </message>
    <message>
        <source>最大幅 (サンプル):</source>
        <translation>Maximum width (samples):</translation>
    </message>
    <message>
        <source>σ には 0.5 から 10 までの値を入力してください。</source>
        <translation>Enter a σ from 0.5 to 10.</translation>
    </message>
    <message>
        <source>最小コントラストには 0 以上の値を入力してください。</source>
        <translation>Enter a minimum contrast of 0 or more.</translation>
    </message>
    <message>
        <source>n には 1 以上の整数を入力してください。</source>
        <translation>Enter an integer of 1 or more for n.</translation>
    </message>
    <message>
        <source>割合には 0 から 1 までの値を入力してください。</source>
        <translation>Enter a fraction from 0 to 1.</translation>
    </message>
    <message>
        <source>最小幅には 0 以上の値を入力してください。</source>
        <translation>Enter a minimum width of 0 or more.</translation>
    </message>
    <message>
        <source>最大幅には最小幅以上の値を入力してください。</source>
        <translation>Enter a maximum width no smaller than the minimum width.</translation>
    </message>
    <message>
        <source>このルールは使えません。値を確かめてください。</source>
        <translation>This rule cannot be used. Check the values.</translation>
    </message>
    <message>
        <source>新しい線のルール</source>
        <translation>Rule for new lines</translation>
    </message>
    <message>
        <source>エッジ検出</source>
        <translation>Caliper rule</translation>
    </message>
    <message>
        <source>サンプル %1 (%2, %3)  値 %4</source>
        <translation>Sample %1 (%2, %3)  value %4</translation>
    </message>
    <message>
        <source>  応答 %1</source>
        <translation>  response %1</translation>
    </message>
    <message>
        <source>良好</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>コントラスト不足</source>
        <translation>weak contrast</translation>
    </message>
    <message>
        <source>候補が紛らわしい</source>
        <translation>ambiguous</translation>
    </message>
    <message>
        <source>当てはめ失敗</source>
        <translation>fit failed</translation>
    </message>
    <message>
        <source>線の端</source>
        <translation>at the line&apos;s end</translation>
    </message>
    <message>
        <source>エッジ %1</source>
        <translation>edge %1</translation>
    </message>
    <message>
        <source>  エッジ %1 ± %2</source>
        <translation>  edge %1 ± %2</translation>
    </message>
    <message>
        <source>  %1 ± %2  幅 %3</source>
        <translation>  %1 ± %2  width %3</translation>
    </message>
    <message>
        <source>  レベル %1</source>
        <translation>  level %1</translation>
    </message>
    <message>
        <source>サンプル</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>幅 %1</source>
        <translation>width %1</translation>
    </message>
    <message>
        <source>走査線がありません</source>
        <translation>No scan line</translation>
    </message>
    <message>
        <source>画像を読み込めません
%1</source>
        <translation>The picture cannot be read
%1</translation>
    </message>
    <message>
        <source>ルール設定</source>
        <translation>Set Rule</translation>
    </message>
    <message>
        <source>画素の間を直線に沿って読む</source>
        <translation>Read between pixels along the straight line</translation>
    </message>
    <message>
        <source>追跡 (探す幅 ±、サンプル。0 で使わない):</source>
        <translation>Track (search ±, samples; 0 off):</translation>
    </message>
    <message>
        <source>追跡の幅には 0 から 1048576 までの整数を入力してください。</source>
        <translation>Enter a whole number from 0 to 1048576 for the tracking width.</translation>
    </message>
    <message>
        <source>見失いました</source>
        <translation>Lost</translation>
    </message>
    <message>
        <source>1 画素の行に複数の画像が重なるときに示す値</source>
        <translation>The value shown where several images share one pixel row</translation>
    </message>
    <message>
        <source>CSV の書き出し...</source>
        <translation>Write CSV...</translation>
    </message>
    <message>
        <source>大きすぎます: %1 件 x %2 サンプル (上限 %3 サンプル)</source>
        <translation>Too large: %1 images x %2 samples (at most %3 samples)</translation>
    </message>
    <message>
        <source>走査線 %1、%2 件</source>
        <translation>Line %1, %2 images</translation>
    </message>
    <message>
        <source>（1 行に最大 %1 件）</source>
        <translation> (up to %1 images a row)</translation>
    </message>
    <message>
        <source>
時刻 %1 秒</source>
        <translation>
Time %1 s</translation>
    </message>
    <message>
        <source>変化率 (d/dt)</source>
        <translation>Rate of change (d/dt)</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>間隔...</source>
        <translation>Interval...</translation>
    </message>
    <message>
        <source>横軸</source>
        <translation>X axis</translation>
    </message>
    <message>
        <source>間隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>ファイルの時刻</source>
        <translation>Times in the files</translation>
    </message>
    <message>
        <source>一定の間隔</source>
        <translation>Fixed interval</translation>
    </message>
    <message>
        <source>ファイルの更新日時</source>
        <translation>File modification times</translation>
    </message>
    <message>
        <source>時刻:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>間隔（秒）:</source>
        <translation>Interval (s):</translation>
    </message>
    <message>
        <source>最初の画像の時刻（秒）:</source>
        <translation>Time of the first image (s):</translation>
    </message>
    <message>
        <source>間隔には 0 より大きい秒数を入力してください。</source>
        <translation>Enter a number of seconds above 0 as the interval.</translation>
    </message>
    <message>
        <source>最初の画像の時刻には秒数を入力してください。</source>
        <translation>Enter a number of seconds as the time of the first image.</translation>
    </message>
    <message>
        <source>時刻（秒、%1）</source>
        <translation>Time (s, %1)</translation>
    </message>
    <message>
        <source>出所が混在</source>
        <translation>mixed sources</translation>
    </message>
    <message>
        <source>画像番号（時刻のない画像 %1 件）</source>
        <translation>Image number (%1 image(s) without a time)</translation>
    </message>
    <message>
        <source>%1 の変化率（/秒）</source>
        <translation>Rate of change of %1 (/s)</translation>
    </message>
    <message>
        <source>%1 の変化率（/画像）</source>
        <translation>Rate of change of %1 (/image)</translation>
    </message>
    <message>
        <source>従来の規則</source>
        <translation>Plain rule</translation>
    </message>
    <message>
        <source>従来の規則:</source>
        <translation>Plain rule:</translation>
    </message>
</context>
<context>
    <name>View</name>
    <message>
        <source>この画像は表示できません。
%1
%2</source>
        <translation>This image cannot be shown.
%1
%2</translation>
    </message>
    <message>
        <source>良好</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>弱い</source>
        <translation>weak</translation>
    </message>
    <message>
        <source>あいまい</source>
        <translation>ambiguous</translation>
    </message>
    <message>
        <source>当てはめ失敗</source>
        <translation>fit failed</translation>
    </message>
    <message>
        <source>線の端</source>
        <translation>at line end</translation>
    </message>
    <message>
        <source>見つからない</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>エッジ: %1  ノイズ %2</source>
        <translation>Edge: %1  noise %2</translation>
    </message>
    <message>
        <source>エッジ %1 ± %2  コントラスト %3  ノイズ %4  %5</source>
        <translation>Edge %1 ± %2  contrast %3  noise %4  %5</translation>
    </message>
    <message>
        <source>  幅 %1</source>
        <translation>  width %1</translation>
    </message>
    <message>
        <source>見失った</source>
        <translation>lost</translation>
    </message>
</context>
</TS>
