#include "program_arguments.h"

#include <cstring>

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

}  // namespace wk
