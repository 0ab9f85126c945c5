// SPDX-License-Identifier: MIT
// The four word-registration operations of an input method, as the programs use them.
//
// How failures are reported, everywhere in src/:
// - a free function or a factory returns bool (or nullptr) and says why in an out-parameter
//   `std::string* error`: Japanese UTF-8, for the user;
// - an object behind a fixed interface (InputMethod, textfile::OpenFile, the settings store)
//   returns bool and keeps the reason of its last failure for LastErrorDetail();
// - a result nobody needs is void, and a yes-or-no result is bool, not 0/1. C-library
//   contracts keep their own (the dialog library's 1/0/-1, a byte reader's end mark).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wk {

// One part-of-speech style the input method offers.
struct PosStyle {
    std::uint32_t style = 0;
    std::u16string description;  // at most 31 code units
};

// Called once per registered word. `reading` or `word` may be null for an entry the input
// method cannot report. Returning 0 stops the enumeration.
using EnumWordCallback =
    std::function<int(const char16_t* reading, std::uint32_t style, const char16_t* word)>;

// Several registrations or removals answered one by one but written together. Finish()
// writes what is pending and returns how many changes that were answered as done could not
// be kept after all (0 when everything was written). The destructor finishes an open batch.
class RegistrationBatch {
  public:
    virtual ~RegistrationBatch() = default;
    virtual std::size_t Finish() = 0;
};

class InputMethod {
  public:
    virtual ~InputMethod() = default;

    // The styles in the input method's order.
    virtual std::vector<PosStyle> GetRegisterWordStyles() = 0;

    // Reports every registered word to the callback. Returns false when the dictionary
    // could not be read to the end (the callback stopping early is not a failure).
    virtual bool EnumRegisterWord(const EnumWordCallback& callback) = 0;

    // True when the word was registered, false when refused.
    virtual bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                              const std::u16string& word) = 0;

    // True when exactly this reading, style and word was registered and is now removed.
    virtual bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                                const std::u16string& word) = 0;

    // Opens a batch for bulk registration or removal; nullptr when the input method has
    // none, in which case every change is written on its own.
    virtual std::unique_ptr<RegistrationBatch> BeginBatch() { return nullptr; }

    // Replaces one registered word by another as one change: true when the new word is
    // registered and the old one is gone. False leaves both as they were, the reason in
    // LastErrorDetail(). An input method without such a change keeps the default: remove
    // the old word, register the new one, and register the old one again when the new one
    // is refused (which can fail, and then the old word is gone).
    virtual bool ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                            const std::u16string& oldWord, const std::u16string& newReading,
                            std::uint32_t newStyle, const std::u16string& newWord);

    // The input method's name as the user knows it ("Anthy"), for titles and reports.
    virtual std::u16string Name() const { return {}; }

    // The file that holds the dictionary, empty when there is none.
    virtual std::string DictionaryPath() const { return {}; }

    // Every file the input method keeps (the dictionary and its companion and lock files),
    // which an export must never replace. Paths as opened; they need not exist.
    virtual std::vector<std::string> KeptFiles() const { return {}; }

    // A short description (UTF-8) of why the last operation failed, for diagnostics;
    // empty when there is nothing more to say than the refusal itself.
    virtual std::string LastErrorDetail() const { return {}; }
};

// LastErrorDetail() of `ime` as UTF-16, for showing beside a refusal; empty when there is
// none or it is not valid UTF-8.
std::u16string ErrorDetailOf(const InputMethod& ime);

}  // namespace wk
