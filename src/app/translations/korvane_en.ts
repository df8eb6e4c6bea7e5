<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>app::RemoteGrid</name>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>Unknown</translation>
    </message>
</context>
<context>
    <name>app::TExportOptionsBox</name>
    <message>
        <source>Direct3D 変換オプション</source>
        <translation>Direct3D Export Options</translation>
    </message>
    <message>
        <source>全メッシュを合成する</source>
        <translation>Merge all meshes</translation>
    </message>
    <message>
        <source>マテリアルも保存する</source>
        <translation>Save the materials too</translation>
    </message>
    <message>
        <source>マテリアルの透明度を考慮する</source>
        <translation>Use the materials&apos; opacity</translation>
    </message>
    <message>
        <source>(0,0,0) を立体の中心座標に変換する</source>
        <translation>Move the centre of the solid to (0,0,0)</translation>
    </message>
    <message>
        <source>(0,0,0) を原点に変換する</source>
        <translation>Move the lowest corner to (0,0,0)</translation>
    </message>
    <message>
        <source>頂点座標を変換しない</source>
        <translation>Keep the vertex coordinates</translation>
    </message>
    <message>
        <source>テクスチャ座標も保存する</source>
        <translation>Save texture coordinates</translation>
    </message>
    <message>
        <source>テクスチャ名も保存する</source>
        <translation>Save texture names</translation>
    </message>
    <message>
        <source>法線も保存する</source>
        <translation>Save normals</translation>
    </message>
    <message>
        <source>フレーム階層も保存する</source>
        <translation>Save frame hierarchy</translation>
    </message>
    <message>
        <source>アニメーションも保存する</source>
        <translation>Save animation</translation>
    </message>
    <message>
        <source>テクスチャの場所</source>
        <translation>Texture folders</translation>
    </message>
    <message>
        <source>フォルダを ; で区切って並べる</source>
        <translation>folders separated by ;</translation>
    </message>
    <message>
        <source>独立頂点に分解する</source>
        <translation>Split into separate vertices</translation>
    </message>
</context>
<context>
    <name>app::TFileDialogs</name>
    <message>
        <source>すべての対応ﾌｧｲﾙ (*.3[dD][sS] *.3[dD][aA] *.[xX] *.[xX][aA] *.[gG][lL][bB] *.[gG][lL][tT][fF])</source>
        <translation>All supported files (*.3[dD][sS] *.3[dD][aA] *.[xX] *.[xX][aA] *.[gG][lL][bB] *.[gG][lL][tT][fF])</translation>
    </message>
    <message>
        <source>3dsﾌｧｲﾙ(3d Studio) (*.3[dD][sS])</source>
        <translation>3ds files (3D Studio) (*.3[dD][sS])</translation>
    </message>
    <message>
        <source>3ds圧縮ﾌｧｲﾙ (*.3[dD][aA])</source>
        <translation>Packed 3ds files (*.3[dD][aA])</translation>
    </message>
    <message>
        <source>DirectXﾌｧｲﾙ (*.[xX])</source>
        <translation>DirectX files (*.[xX])</translation>
    </message>
    <message>
        <source>DirectX圧縮ﾌｧｲﾙ (*.[xX][aA])</source>
        <translation>Packed DirectX files (*.[xX][aA])</translation>
    </message>
    <message>
        <source>glTFﾌｧｲﾙ (*.[gG][lL][bB] *.[gG][lL][tT][fF])</source>
        <translation>glTF files (*.[gG][lL][bB] *.[gG][lL][tT][fF])</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ (*)</source>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>app::TMainFrm</name>
    <message>
        <source>Korvane Ver2.2 ( URL 対応版 ) </source>
        <translation>Korvane Ver2.2 ( URL edition ) </translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>.3dsﾌｧｲﾙを開く</source>
        <translation>Open .3ds File...</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙを閉じる</source>
        <translation>Close File</translation>
    </message>
    <message>
        <source>.3dsﾃﾞｰﾀを .Xﾌｧｲﾙとして保存する</source>
        <translation>Save .3ds Data as .X File</translation>
    </message>
    <message>
        <source>ﾃｷｽﾄ形式</source>
        <translation>Text Format...</translation>
    </message>
    <message>
        <source>ﾊﾞｲﾅﾘ形式</source>
        <translation>Binary Format...</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>選択メッシュの表示</source>
        <translation>Show Selected Mesh</translation>
    </message>
    <message>
        <source>検索(&amp;S)</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>Webサーバのリスト</source>
        <translation>Web Server List</translation>
    </message>
    <message>
        <source>ファイルを開く</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>ファイルを閉じる</source>
        <translation>Close file</translation>
    </message>
    <message>
        <source>3DXファイルを保存</source>
        <translation>Save .x file</translation>
    </message>
    <message>
        <source>オブジェクトの表示</source>
        <translation>Show object</translation>
    </message>
    <message>
        <source>Webサーバの接続を切る</source>
        <translation>Disconnect from the web server</translation>
    </message>
    <message>
        <source>前のフォルダに戻る</source>
        <translation>Back to the parent folder</translation>
    </message>
    <message>
        <source>メッシュ マテリアル</source>
        <translation>Meshes and Materials</translation>
    </message>
    <message>
        <source>このメッシュには頂点がないため保存できません</source>
        <translation>This mesh has no vertices, so it cannot be saved</translation>
    </message>
    <message>
        <source>このメッシュには面がないため保存できません</source>
        <translation>This mesh has no faces, so it cannot be saved</translation>
    </message>
    <message>
        <source>面のあるメッシュがないため保存できません</source>
        <translation>No mesh has faces, so nothing can be saved</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Korvane</translation>
    </message>
    <message>
        <source>Korvane %1

ライセンス: %2

Qt %3</source>
        <translation>Korvane %1

Licence: %2

Qt %3</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>%1 を表示できません</source>
        <translation>Cannot show %1</translation>
    </message>
    <message>
        <source>glTF として保存...</source>
        <translation>Save as glTF...</translation>
    </message>
    <message>
        <source>テクスチャ %1 が見つかりません</source>
        <translation>Texture %1 was not found</translation>
    </message>
    <message>
        <source>テクスチャ %1: %2 を使います</source>
        <translation>Texture %1: using %2</translation>
    </message>
    <message>
        <source>テクスチャ %1 を開けません</source>
        <translation>Texture %1 cannot be opened</translation>
    </message>
    <message>
        <source>テクスチャ %1 は読める画像ではありません</source>
        <translation>Texture %1 is not an image that can be read</translation>
    </message>
    <message>
        <source>テクスチャ %1 は画像として大きすぎます (256 MB まで)</source>
        <translation>Texture %1 is larger than an image may be (256 MB)</translation>
    </message>
</context>
<context>
    <name>app::TModelPanel</name>
    <message>
        <source>%d 個</source>
        <translation>%d</translation>
    </message>
    <message>
        <source>%d 頂点</source>
        <translation>%d vertices</translation>
    </message>
    <message>
        <source>%d Texture 座標系</source>
        <translation>%d texture coords</translation>
    </message>
    <message>
        <source>%d 面</source>
        <translation>%d faces</translation>
    </message>
    <message>
        <source>メッシュとマテリアル</source>
        <translation>Meshes and materials</translation>
    </message>
    <message>
        <source>メッシュの情報</source>
        <translation>Mesh Information</translation>
    </message>
    <message>
        <source>頂点個数</source>
        <translation>Vertices</translation>
    </message>
    <message>
        <source>FACE個数</source>
        <translation>Faces</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬ座標個数</source>
        <translation>Texture coords</translation>
    </message>
    <message>
        <source>ﾏﾃﾘｱﾙ使用数</source>
        <translation>Materials used</translation>
    </message>
    <message>
        <source>メッシュ個数</source>
        <translation>Meshes</translation>
    </message>
    <message>
        <source>頂点座標</source>
        <translation>Vertex coordinates</translation>
    </message>
    <message>
        <source>(最大値)</source>
        <translation>(max)</translation>
    </message>
    <message>
        <source>(最小値)</source>
        <translation>(min)</translation>
    </message>
    <message>
        <source>マテリアルの情報</source>
        <translation>Material Information</translation>
    </message>
    <message>
        <source>アンビエント色</source>
        <translation>Ambient</translation>
    </message>
    <message>
        <source>設定できません</source>
        <translation>Cannot be set</translation>
    </message>
    <message>
        <source>現在考慮していません！</source>
        <translation>Not used for now!</translation>
    </message>
    <message>
        <source>放射色</source>
        <translation>Diffuse</translation>
    </message>
    <message>
        <source>クリックで変更</source>
        <translation>Click to change</translation>
    </message>
    <message>
        <source>反射色</source>
        <translation>Specular</translation>
    </message>
    <message>
        <source>色の明るさ</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>マテリアル特性の設定</source>
        <translation>Material Properties</translation>
    </message>
    <message>
        <source>透明度の設定                  % ( 100 % は不透明です )</source>
        <translation>Opacity                  % ( 100 % is opaque )</translation>
    </message>
    <message>
        <source>透明度の設定 </source>
        <translation>Opacity </translation>
    </message>
    <message>
        <source>反射係数の設定</source>
        <translation>Specular power</translation>
    </message>
    <message>
        <source>( 反射係数が大きくなるほど反射度は低下します )</source>
        <translation>( The higher the power, the less it reflects )</translation>
    </message>
</context>
<context>
    <name>app::TRemotePanel</name>
    <message>
        <source>Web ファイルを選択</source>
        <translation>Choose a web file</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>サーバに接続されていません</source>
        <translation>Not connected to a server</translation>
    </message>
    <message>
        <source>Webサーバに接続しました</source>
        <translation>Connected to the server</translation>
    </message>
    <message>
        <source>Webサーバに接続出来ませんでした</source>
        <translation>Server connection failed</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>更新日</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>%d ﾌｧｲﾙを取得しました</source>
        <translation>%d files received</translation>
    </message>
    <message>
        <source>%lld / %lld ﾊﾞｲﾄ受信( %.2f ％)</source>
        <translation>%lld / %lld bytes received ( %.2f %% )</translation>
    </message>
    <message>
        <source>%lld / ? ﾊﾞｲﾄ受信( ? ％)</source>
        <translation>%lld / ? bytes received ( ? % )</translation>
    </message>
    <message>
        <source>読み込みできませんでした</source>
        <translation>Could not read</translation>
    </message>
    <message>
        <source>接続できませんでした</source>
        <translation>Could not connect</translation>
    </message>
    <message>
        <source>接続を解除しました</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>接続しました</source>
        <translation>Connected</translation>
    </message>
</context>
<context>
    <name>app::TWebAdrFrm</name>
    <message>
        <source>匿名</source>
        <translation>anonymous</translation>
    </message>
    <message>
        <source>Web サーバアドレスの指定</source>
        <translation>Web Server Address</translation>
    </message>
    <message>
        <source>サーバアドレス</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>ポートNo.</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>ﾀｲﾑｱｳﾄ(分)</source>
        <translation>Wait (min)</translation>
    </message>
    <message>
        <source>HTTPフォルダ</source>
        <translation>HTTP folder</translation>
    </message>
    <message>
        <source>ユーザ名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>ログイン</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>base</name>
    <message>
        <source>ストリームからの読み込みエラー</source>
        <translation>Stream read error</translation>
    </message>
    <message>
        <source>ストリームへの書き込みエラー</source>
        <translation>Stream write error</translation>
    </message>
    <message>
        <source>ファイル %s は開けません</source>
        <translation>Cannot open file %s</translation>
    </message>
    <message>
        <source>ファイル %s を作成できません</source>
        <translation>Cannot create file %s</translation>
    </message>
    <message>
        <source>リストのインデックスが範囲を超えています (%s)</source>
        <translation>List index out of bounds (%s)</translation>
    </message>
    <message>
        <source>&apos;%s&apos; は正しい浮動小数点数ではありません</source>
        <translation>&apos;%s&apos; is not a valid floating point number</translation>
    </message>
    <message>
        <source>ファイルが空です</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>ファイルがデータの途中で終わっています (%s バイト)</source>
        <translation>the file ends inside its data, after %s bytes</translation>
    </message>
    <message>
        <source>ファイルが %s MB を超えています</source>
        <translation>the file is larger than %s MB</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>3D Studio のモデルではありません</source>
        <translation>not a 3D Studio model</translation>
    </message>
    <message>
        <source>メッシュがありません</source>
        <translation>the model holds no mesh</translation>
    </message>
    <message>
        <source>メッシュもマテリアルもありません</source>
        <translation>the model holds neither meshes nor materials</translation>
    </message>
    <message>
        <source>面のあるメッシュがありません</source>
        <translation>no mesh of the model has faces</translation>
    </message>
    <message>
        <source>展開したデータが空です</source>
        <translation>the packed data unpacks to nothing</translation>
    </message>
    <message>
        <source>データが空です</source>
        <translation>the data is empty</translation>
    </message>
    <message>
        <source>DirectX のメッシュがありません</source>
        <translation>the DirectX data holds no mesh</translation>
    </message>
    <message>
        <source>読み込みできませんでした<byte value="xd"/>%s</source>
        <translation>Could not read<byte value="xd"/>%s</translation>
    </message>
    <message>
        <source>ホスト名が無効です</source>
        <translation>Invalid host name</translation>
    </message>
    <message>
        <source>Webサーバ名が無効です</source>
        <translation>Invalid server name</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>Not enough memory</translation>
    </message>
    <message>
        <source>出力 %s は読み込むファイルそのものです。何も書き込みませんでした</source>
        <translation>the output %s is the input file itself, or a file it reads; nothing written</translation>
    </message>
    <message>
        <source>%s は通常のファイルではないため、.gltf とその横のファイルを書き込めません。.glb にしてください</source>
        <translation>%s is not a regular file, so a .gltf with files beside it cannot be written there; write a .glb instead</translation>
    </message>
</context>
<context>
    <name>viewer::TDraw3DFrm</name>
    <message>
        <source>グローモデル</source>
        <translation>Gouraud Shading</translation>
    </message>
    <message>
        <source>フラットモデル</source>
        <translation>Flat Shading</translation>
    </message>
    <message>
        <source>ワイアフレームモデル</source>
        <translation>Wireframe</translation>
    </message>
    <message>
        <source>背景色変更</source>
        <translation>Background Colour...</translation>
    </message>
    <message>
        <source>全体を表示</source>
        <translation>Show the whole model</translation>
    </message>
    <message>
        <source>再生/一時停止</source>
        <translation>Play/Pause</translation>
    </message>
    <message>
        <source>前のフレーム</source>
        <translation>Previous Frame</translation>
    </message>
    <message>
        <source>次のフレーム</source>
        <translation>Next Frame</translation>
    </message>
</context>
<context>
    <name>widgets::TFnpNumericEdit</name>
    <message>
        <source>切り取り(&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>貼り付け(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>削除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>すべて選択(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
</context>
</TS>
