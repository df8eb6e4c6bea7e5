#pragma once
// Every message text the modules without a window raise, or the tools print,
// written once, in Japanese. Each is marked for the window's translation file,
// where it stands in the context kTextContext; the tools find its English
// through base::Translated.
//
// lupdate reads KORVANE_TRANSLATE_NOOP as it reads QT_TRANSLATE_NOOP: a context
// and a text, which is all the macro gives.
#define KORVANE_TRANSLATE_NOOP(context, text) text

namespace base {

inline constexpr const char* kTextContext = "base";

inline constexpr const char* kStreamReadError = KORVANE_TRANSLATE_NOOP("base", "ストリームからの読み込みエラー");
inline constexpr const char* kStreamWriteError = KORVANE_TRANSLATE_NOOP("base", "ストリームへの書き込みエラー");
inline constexpr const char* kCannotOpenFile = KORVANE_TRANSLATE_NOOP("base", "ファイル %s は開けません");
inline constexpr const char* kCannotCreateFile = KORVANE_TRANSLATE_NOOP("base", "ファイル %s を作成できません");
inline constexpr const char* kListIndexOutOfBounds =
    KORVANE_TRANSLATE_NOOP("base", "リストのインデックスが範囲を超えています (%s)");
inline constexpr const char* kNotAFloat = KORVANE_TRANSLATE_NOOP("base", "'%s' は正しい浮動小数点数ではありません");
inline constexpr const char* kFileIsEmpty = KORVANE_TRANSLATE_NOOP("base", "ファイルが空です");
inline constexpr const char* kFileEndsInsideData =
    KORVANE_TRANSLATE_NOOP("base", "ファイルがデータの途中で終わっています (%s バイト)");
inline constexpr const char* kFileLargerThan = KORVANE_TRANSLATE_NOOP("base", "ファイルが %s MB を超えています");
inline constexpr const char* kNotARegularFile = KORVANE_TRANSLATE_NOOP("base", "通常のファイルではありません");
inline constexpr const char* kNotA3DStudioModel = KORVANE_TRANSLATE_NOOP("base", "3D Studio のモデルではありません");
inline constexpr const char* kNoMesh = KORVANE_TRANSLATE_NOOP("base", "メッシュがありません");
inline constexpr const char* kNoMeshNorMaterial = KORVANE_TRANSLATE_NOOP("base", "メッシュもマテリアルもありません");
inline constexpr const char* kNoMeshWithFaces = KORVANE_TRANSLATE_NOOP("base", "面のあるメッシュがありません");
inline constexpr const char* kUnpacksToNothing = KORVANE_TRANSLATE_NOOP("base", "展開したデータが空です");
inline constexpr const char* kDataIsEmpty = KORVANE_TRANSLATE_NOOP("base", "データが空です");
inline constexpr const char* kNoDirectXMesh = KORVANE_TRANSLATE_NOOP("base", "DirectX のメッシュがありません");
inline constexpr const char* kCouldNotRead = KORVANE_TRANSLATE_NOOP("base", "読み込みできませんでした\r%s");
inline constexpr const char* kInvalidHostName = KORVANE_TRANSLATE_NOOP("base", "ホスト名が無効です");
inline constexpr const char* kInvalidServerName = KORVANE_TRANSLATE_NOOP("base", "Webサーバ名が無効です");
inline constexpr const char* kNoMemory = KORVANE_TRANSLATE_NOOP("base", "メモリが足りません");
inline constexpr const char* kOutputIsInput =
    KORVANE_TRANSLATE_NOOP("base", "出力 %s は読み込むファイルそのものです。何も書き込みませんでした");
inline constexpr const char* kSideFilesNeedRegularFile = KORVANE_TRANSLATE_NOOP(
    "base", "%s は通常のファイルではないため、.gltf とその横のファイルを書き込めません。.glb にしてください");

}  // namespace base
