#include "program_arguments.h"

#include <cstdio>
#include <cstring>

#include "message_box.h"

namespace wk {

namespace {

constexpr const char* kImeWithoutValue = "--ime には入力方式を指定してください";

}  // namespace

ProgramArguments ParseProgramArguments(const QStringList& arguments) {
    ProgramArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.help = true;
        } else if (argument == QLatin1String("--version")) {
            parsed.version = true;
        } else if (argument == QLatin1String("--ime") ||
                   argument.startsWith(QLatin1String("--ime="))) {
            QString value;
            if (argument.size() > 5) {
                value = argument.mid(6);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (value.isEmpty()) {
                parsed.error = kImeWithoutValue;
                return parsed;
            }
            parsed.imeOption = value.toStdString();
        } else {
            parsed.error = "不明な引数です: " + argument.toStdString();
            return parsed;
        }
    }
    return parsed;
}

EarlyRequest FindEarlyRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return EarlyRequest::Help;
        if (std::strcmp(argv[i], "--version") == 0) return EarlyRequest::Version;
    }
    return EarlyRequest::None;
}

int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::string& usage,
               const std::function<int(const ProgramArguments&)>& session) {
    const std::string name = info.name.toStdString();
    switch (FindEarlyRequest(argc, argv)) {
        case EarlyRequest::Help:
            std::fputs(usage.c_str(), stdout);
            return 0;
        case EarlyRequest::Version:
            std::printf("%s %s\n", name.c_str(), info.version.toUtf8().constData());
            return 0;
        case EarlyRequest::None:
            break;
    }
    if (!CheckDisplay(argc, argv, name, stderr)) return 1;

    CWordkeeperApp app(argc, argv, info);
    QStringList own;
    for (int i = 1; i < argc; ++i) own << QString::fromLocal8Bit(argv[i]);
    const ProgramArguments arguments = ParseProgramArguments(own);
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", name.c_str(), arguments.error.c_str(), usage.c_str());
        return 2;
    }
    return session(arguments);
}

int ReportDictionaryNotOpened(std::u16string_view why) {
    const QString text = QStringLiteral("辞書を開けません。\n") +
                         QString::fromUtf16(why.data(), static_cast<qsizetype>(why.size()));
    std::fprintf(stderr, "%s: %s\n", ApplicationCaption().toUtf8().constData(),
                 text.toUtf8().constData());
    ShowApplicationMessage(nullptr, text);
    return 1;
}

}  // namespace wk
