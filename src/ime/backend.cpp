// SPDX-License-Identifier: MIT
#include "backend.h"

#include <cstdlib>

#include <sys/stat.h>
#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "embedded_store.h"

#if WORDKEEPER_HAVE_ANTHY
#include "anthy_backend.h"
#endif
#if WORDKEEPER_HAVE_MOZC
#include "mozc_backend.h"
#endif

namespace wk::ime {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string MozcProfileFolder() {
    const std::string home = HomeFolder();
    const std::string dotMozc = (home == "/" ? "" : home) + "/.mozc";
    if (IsFolder(dotMozc)) return dotMozc;
    return XdgFolder("XDG_CONFIG_HOME", ".config") + "/mozc";
}

std::string DefaultEmbeddedPath() {
    return XdgFolder("XDG_DATA_HOME", ".local/share") + "/Quillwren/Wordkeeper/dictionary.sqlite";
}

std::string ChooseImeSpec(std::string_view option, std::string_view settingsValue) {
    if (!option.empty()) return std::string(option);
    if (const char* env = std::getenv("WORDKEEPER_IME"); env != nullptr && env[0] != '\0') {
        return env;
    }
    if (!settingsValue.empty()) return std::string(settingsValue);
    // Nothing names one: a user of the embedded store stays with it; otherwise the input
    // method whose dictionary the user already has.
    if (Exists(DefaultEmbeddedPath())) return "embedded";
#if WORDKEEPER_HAVE_MOZC
    if (Exists(MozcProfileFolder() + "/user_dictionary.db")) return "mozc";
#endif
#if WORDKEEPER_HAVE_ANTHY
    if (Exists(HomeFolder() + "/.anthy/private_words_default")) return "anthy";
#endif
    return "embedded";
}

OpenedInputMethod OpenInputMethod(std::string_view name) {
    OpenedInputMethod result;
    std::string error;
    const auto opened = [&](std::unique_ptr<InputMethod> ime) {
        result.ime = std::move(ime);
        if (!result.ime) result.error = Utf8ToUtf16(error).value_or(u"?");
        return std::move(result);
    };
    constexpr std::string_view kEmbedded = "embedded";
    if (name == kEmbedded || name.starts_with("embedded:")) {
        std::string path = name.size() > kEmbedded.size()
                               ? std::string(name.substr(kEmbedded.size() + 1))
                               : DefaultEmbeddedPath();
        if (path.empty()) {
            result.error = u"辞書ファイルの名前が指定されていません";
            return result;
        }
        return opened(EmbeddedStore::Open(path, &error));
    }
    if (name == "anthy") {
#if WORDKEEPER_HAVE_ANTHY
        return opened(AnthyBackend::Open(HomeFolder(), &error));
#else
        result.error =
            u"このWordkeeperはAnthyに対応していません (libanthy-dev "
            u"を入れてビルドし直してください)";
#endif
        return result;
    }
    if (name == "mozc") {
#if WORDKEEPER_HAVE_MOZC
        return opened(MozcBackend::Open(MozcProfileFolder(), &error));
#else
        result.error =
            u"このWordkeeperはMozcに対応していません (libprotobuf-dev と protobuf-compiler "
            u"を入れてビルドし直してください)";
#endif
        return result;
    }
    result.error = u"不明な入力方式です: " + Utf8ToUtf16(name).value_or(u"?") +
                   u" (embedded、embedded:ファイル名、anthy または mozc を指定してください)";
    return result;
}

std::vector<std::string> KeptFilesOfEveryInputMethod() {
    std::vector<std::string> files = EmbeddedStore::KeptFilesOf(DefaultEmbeddedPath());
#if WORDKEEPER_HAVE_ANTHY
    std::string error;
    if (const auto anthy = AnthyBackend::Open(HomeFolder(), &error)) {
        for (std::string& file : anthy->KeptFiles()) files.push_back(std::move(file));
    }
#endif
#if WORDKEEPER_HAVE_MOZC
    for (std::string& file : MozcBackend::KeptFilesOf(MozcProfileFolder())) {
        files.push_back(std::move(file));
    }
#endif
    return files;
}

OpenedInputMethod OpenChosenInputMethod(std::string_view option, std::string_view settingsValue,
                                        std::string_view settingsProblem, std::string* choice) {
    const char* env = std::getenv("WORDKEEPER_IME");
    const bool named = !option.empty() || (env != nullptr && env[0] != '\0');
    if (!named && !settingsProblem.empty()) {
        OpenedInputMethod result;
        result.error =
            Utf8ToUtf16(settingsProblem).value_or(std::u16string(msg::kSettingsUnreadable)) +
            u"\n設定ファイルが読めるようになるまで、変更はできません。"
            u"--ime または環境変数 WORDKEEPER_IME で入力方式を指定すれば使えます。";
        return result;
    }
    std::string chosen = ChooseImeSpec(option, settingsValue);
    if (choice != nullptr) *choice = chosen;
    return OpenInputMethod(chosen);
}

}  // namespace wk::ime
