// SPDX-License-Identifier: MIT
#include "program_arguments.h"

#include <QCommandLineParser>

#include <cstdio>

#include "core/messages.h"
#include "ime/backend.h"
#include "message_box.h"
#include "qt_settings_store.h"

namespace wk {

namespace {

constexpr const char* kImeWithoutValue = "--ime には入力方式を指定してください";
constexpr const char* kUnknownArgument = "不明な引数です: ";

// The argument that named an unknown option, as it was given.
std::string AsGiven(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments.mid(1)) {
        const QString bare = argument.section(QLatin1Char('='), 0, 0);
        if (bare == QLatin1Char('-') + name || bare == QLatin1String("--") + name)
            return argument.toStdString();
    }
    return "--" + name.toStdString();
}

QStringList ArgumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
}

}  // namespace

ProgramArguments ParseProgramArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    // -platform and Qt's other one-dash options are single names, not letters run together.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption ime(QStringLiteral("ime"), QString(), QStringLiteral("ime"));
    parser.addOptions({help, version, ime});
    ProgramArguments parsed;
    const bool understood = parser.parse(arguments);
    parsed.help = parser.isSet(help);
    parsed.version = parser.isSet(version);
    if (!understood) {
        const QStringList unknown = parser.unknownOptionNames();
        parsed.error = unknown.isEmpty() ? kImeWithoutValue
                                         : kUnknownArgument + AsGiven(arguments, unknown[0]);
    } else if (!parser.positionalArguments().isEmpty()) {
        parsed.error = kUnknownArgument + parser.positionalArguments()[0].toStdString();
    } else if (parser.isSet(ime)) {
        parsed.imeOption = parser.value(ime).toStdString();
        if (parsed.imeOption.empty()) parsed.error = kImeWithoutValue;
    }
    return parsed;
}

std::string ProgramUsage(const QString& programName, std::string_view notes) {
    return "使い方: " + programName.toStdString() + " [--ime 入力方式]\n\n" + msg::kImeOptionHelp +
           "\n" + std::string(notes);
}

int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::string& usage,
               const std::function<int(const ProgramArguments&)>& session) {
    const std::string name = info.name.toStdString();
    // Help and version are answered wherever they stand, before a display is looked for,
    // so that they work without one.
    const ProgramArguments early = ParseProgramArguments(ArgumentList(argc, argv));
    if (early.help) {
        std::fputs(usage.c_str(), stdout);
        return 0;
    }
    if (early.version) {
        std::printf("%s %s\n", name.c_str(), info.version.toUtf8().constData());
        return 0;
    }
    if (!CheckDisplay(argc, argv, name, stderr)) return 1;

    CWordkeeperApp app(argc, argv, info);
    const ProgramArguments arguments = ParseProgramArguments(ArgumentList(argc, argv));
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", name.c_str(), arguments.error.c_str(), usage.c_str());
        return 2;
    }
    return session(arguments);
}

int RunOnInputMethod(
    const ProgramArguments& arguments,
    const std::function<int(InputMethod& ime, const std::string& choice)>& session) {
    std::string settingsProblem;
    const std::string setting = QtSettingsStore::InputMethodSetting(&settingsProblem);
    std::string choice;
    ime::OpenedInputMethod opened =
        ime::OpenChosenInputMethod(arguments.imeOption, setting, settingsProblem, &choice);
    if (!opened.ime) {
        const QString text =
            QStringLiteral("辞書を開けません。\n") +
            QString::fromUtf16(opened.error.data(), static_cast<qsizetype>(opened.error.size()));
        std::fprintf(stderr, "%s: %s\n", ApplicationCaption().toUtf8().constData(),
                     text.toUtf8().constData());
        ShowApplicationMessage(nullptr, text);
        return 1;
    }
    return session(*opened.ime, choice);
}

}  // namespace wk
