// The field checks shared by the word dialog, the quick-add form and the command-line tool,
// and the messages the programs show.
#pragma once

#include <string>
#include <string_view>

namespace wk {

inline constexpr std::size_t kMaxFieldLength = 60;  // code units; 61 is the first refused

enum class FieldCheck { Ok, WordEmpty, ReadingEmpty, TooLong };

// In order: the word empty, the reading empty, either longer than 60 code units.
FieldCheck CheckWordFields(std::u16string_view reading, std::u16string_view word);

namespace msg {
inline constexpr std::u16string_view kWordEmpty = u"単語が入力されていません";
inline constexpr std::u16string_view kReadingEmpty = u"読みが入力されていません";
inline constexpr std::u16string_view kTooLong = u"60文字以上は入力できません";
inline constexpr std::u16string_view kCannotRegister = u"単語登録できません";
inline constexpr std::u16string_view kCannotDelete = u"単語削除できません";
inline constexpr std::u16string_view kOutOfMemory = u"メモリ不足です";
inline constexpr std::u16string_view kNotFound = u"該当する単語が見つかりません";
inline constexpr std::u16string_view kConfirmCaption = u"確認";
inline constexpr std::u16string_view kIncompleteRead = u"辞書の単語を最後まで読み込めませんでした";
// The change stands; only the note for a running manager could not be left.
inline constexpr std::u16string_view kNoteNotWritten =
    u"設定ファイルに書き込めません。起動中のWordkeeperは一覧を自動では読み直しません";
inline constexpr std::u16string_view kWidthsNotSaved =
    u"設定ファイルに書き込めません。列の幅は保存されませんでした";
}  // namespace msg

// The message for a failed check; empty for FieldCheck::Ok.
std::u16string_view MessageOf(FieldCheck check);

}  // namespace wk
