// SPDX-License-Identifier: MIT
// The texts the programs show, each written once. Those the Qt and text-file code shows are
// UTF-16; the reasons that travel as std::string (input methods, files, the command line)
// are UTF-8. "%d" in a text is filled by textfile::FillNumbers.
#pragma once

#include <string_view>

namespace wk::msg {

// Which input method is in use, before its name (the status line, the about box, the tool).
inline constexpr std::u16string_view kImeLabel = u"入力方式: ";

// Menus and buttons of both windows.
inline constexpr std::u16string_view kMenuFile = u"ﾌｧｲﾙ";
inline constexpr std::u16string_view kMenuEdit = u"編集";
inline constexpr std::u16string_view kExit = u"終了";
inline constexpr std::u16string_view kCancel = u"ｷｬﾝｾﾙ";

// The word dialog, the quick-add form and the command-line tool.
inline constexpr std::u16string_view kWordEmpty = u"単語が入力されていません";
inline constexpr std::u16string_view kReadingEmpty = u"読みが入力されていません";
inline constexpr std::u16string_view kTooLong = u"60文字以上は入力できません";
inline constexpr std::u16string_view kCannotRegister = u"単語登録できません";
inline constexpr std::u16string_view kCannotDelete = u"単語削除できません";
inline constexpr std::u16string_view kNotFound = u"該当する単語が見つかりません";
inline constexpr std::u16string_view kConfirmCaption = u"確認";
inline constexpr std::u16string_view kIncompleteRead = u"辞書の単語を最後まで読み込めませんでした";
// A word that is in the input method could not be put in the list.
inline constexpr std::u16string_view kOutOfMemory = u"メモリ不足です";
// The change stands; only the note for a running manager could not be left.
inline constexpr std::u16string_view kNoteNotWritten =
    u"設定ファイルに書き込めません。起動中のWordkeeperは一覧を自動では読み直しません";
inline constexpr std::u16string_view kWidthsNotSaved =
    u"設定ファイルに書き込めません。列の幅は保存されませんでした";

// Dictionary text files: registering their words and exporting the list to one.
inline constexpr std::u16string_view kCannotOpen = u"辞書ﾃｷｽﾄﾌｧｲﾙを開くことができません";
inline constexpr std::u16string_view kCannotCreate = u"辞書ﾃｷｽﾄﾌｧｲﾙを作成することができません";
inline constexpr std::u16string_view kSummary =
    u"%d 個の単語のうち %d 個の単語を登録しました。\n%d 個は登録されませんでした";
inline constexpr std::u16string_view kUnreadableLine =
    u"%d 行目の単語が読み取れません。Wordkeeperで読み込めない形式のﾃｷｽﾄﾌｧｲﾙの可能性があります。";
// Registering from a file ran out of memory.
inline constexpr std::u16string_view kOutOfMemoryInFile = u"メモリ不足です。";
inline constexpr std::u16string_view kExported = u"%d 個の単語をﾃｷｽﾄﾌｧｲﾙへ出力しました。";
inline constexpr std::u16string_view kReplaced =
    u"%d 個の単語に、ﾃｷｽﾄﾌｧｲﾙで表せない文字があり「?」に置き換えました。";
inline constexpr std::u16string_view kAllocationFailed = u"メモリ確保に失敗しました";
// Second lines that say more about a failure (shown as details).
inline constexpr std::u16string_view kTooLarge = u"2147483648 バイト以上のファイルは読み込めません";
inline constexpr std::u16string_view kReadFailed = u"ファイルを最後まで読み込めませんでした";
inline constexpr std::u16string_view kNoConverter =
    u"文字コード CP932 の変換が使えません (iconv の gconv モジュールがありません)";
inline constexpr std::u16string_view kNoStorage = u"メモリが足りません";
inline constexpr std::u16string_view kLost =
    u"登録を受け付けた単語のうち %d 個は辞書に書き込めませんでした";
inline constexpr std::u16string_view kRegisteredSoFar =
    u"読み込みが止まるまでに %d 個の単語を登録しました";
inline constexpr std::u16string_view kRefusedFor = u"%d 個の単語は次の理由で登録されませんでした";

// The input methods' reasons for refusing a change (UTF-8).
inline constexpr char kDuplicate[] = "同じ読み・単語・品詞がすでに登録されています";
inline constexpr char kNotRegistered[] = "その単語は登録されていません";
inline constexpr char kDictionaryFull[] = "辞書の単語数が上限の1000000語に達しています";
inline constexpr char kBadPos[] = "品詞が正しくありません";
// A field the input method does not take: its name, then what is wrong with it.
inline constexpr char kReadingField[] = "読み";
inline constexpr char kWordField[] = "単語";
inline constexpr char kFieldEmpty[] = "が空です";
inline constexpr char kFieldBadCharacter[] = "に不正な文字が含まれています";
inline constexpr char kFieldControlCharacter[] = "に制御文字が含まれています";
inline constexpr char kStoreNotWritable[] = "辞書ファイルに書き込めません";
inline constexpr char kInBatch[] = "一括処理の途中では変更できません";

// Files that cannot be used, each text followed by the file's name (arrays, so that `+`
// joins them to it): the embedded store's (UTF-16), Anthy's and Mozc's (UTF-8).
inline constexpr char16_t kStoreCannotOpen[] = u"辞書ファイルを開くことができません: ";
inline constexpr char16_t kStoreCannotCreate[] = u"辞書ファイルを作成できません: ";
inline constexpr char16_t kNotOurStore[] = u"Wordkeeperの辞書ではないファイルです: ";
inline constexpr char kAnthyCannotLock[] = "Anthyの辞書をロックできません: ";
inline constexpr char kAnthyFileNotRegular[] =
    "Anthyの辞書ファイルが通常のファイルではありません: ";
inline constexpr char kMozcCannotRead[] = "Mozcの辞書ファイルを読み込めません: ";
// The settings file exists but cannot be read.
inline constexpr std::u16string_view kSettingsUnreadable = u"設定ファイルを読み込めません";

// Every program's usage text: the lines that explain --ime and how the input method is
// chosen without it (UTF-8).
inline constexpr char kImeOptionHelp[] =
    "  --ime 入力方式   embedded、embedded:ファイル名、anthy または mozc\n"
    "                   指定がなければ環境変数 WORDKEEPER_IME、次に設定ファイルの\n"
    "                   [InputMethod] Backend を使います。どれもなければ、内蔵辞書が\n"
    "                   あれば embedded、Mozc の辞書があれば mozc、Anthy の辞書が\n"
    "                   あれば anthy、なければ embedded です\n"
    "  --help           この説明を表示する\n"
    "  --version        版を表示する\n";

}  // namespace wk::msg
