// SPDX-License-Identifier: MIT
#include "application.h"

#include <QLibraryInfo>
#include <QLocale>

#include <cstdlib>
#include <cstring>

#include "core/version.h"

namespace wk {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// While the platform starts, a fatal Qt message ends the process with our own message
// and status 1; other messages go to the handler that was there before.
std::string startingProgram;
QtMessageHandler previousHandler = nullptr;

void PlatformStartHandler(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n%s\n", NoDisplayMessage(startingProgram).c_str(),
                     message.toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (previousHandler != nullptr) {
        previousHandler(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

int& ArmPlatformGuard(int& argc, const QString& programName) {
    startingProgram = programName.toStdString();
    previousHandler = qInstallMessageHandler(PlatformStartHandler);
    return argc;
}

void DisarmPlatformGuard() { qInstallMessageHandler(previousHandler); }

}  // namespace

ProgramInfo SuiteProgramInfo(const QString& name, const QString& description,
                             const QString& iconPath) {
    ProgramInfo info;
    info.name = name;
    info.version = QString::fromLatin1(kVersion);
    info.aboutTitle = name + QStringLiteral(" のﾊﾞｰｼﾞｮﾝ情報");
    info.aboutLines = {name + QStringLiteral(" Version ") + QString::fromLatin1(kVersionShort),
                       description, QStringLiteral("Copyright (C) Quillwren")};
    info.iconPath = iconPath;
    return info;
}

DisplayEnvironment DisplayEnvironment::FromProcess(int argc, char** argv) {
    DisplayEnvironment environment;
    environment.qpaPlatform = Variable("QT_QPA_PLATFORM");
    environment.x11Display = Variable("DISPLAY");
    environment.waylandDisplay = Variable("WAYLAND_DISPLAY");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            environment.platformArgument = true;
    }
    return environment;
}

bool CanReachDisplay(const DisplayEnvironment& environment) {
    return environment.platformArgument || !environment.qpaPlatform.empty() ||
           !environment.x11Display.empty() || !environment.waylandDisplay.empty();
}

std::string NoDisplayMessage(const std::string& programName) {
    return programName +
           ": 画面に接続できないため起動できません。"
           "DISPLAY または WAYLAND_DISPLAY を設定するか、画面のない環境では "
           "xvfb-run " +
           programName + " で起動してください。";
}

bool CheckDisplay(int argc, char** argv, const std::string& programName, std::FILE* err) {
    if (CanReachDisplay(DisplayEnvironment::FromProcess(argc, argv))) return true;
    std::fprintf(err, "%s\n", NoDisplayMessage(programName).c_str());
    std::fflush(err);
    return false;
}

void InstallQtJapanese(QTranslator& translator) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), folder))
        QCoreApplication::installTranslator(&translator);
}

CWordkeeperApp::CWordkeeperApp(int& argc, char** argv, ProgramInfo info)
    : QApplication(ArmPlatformGuard(argc, info.name), argv), info_(std::move(info)) {
    DisarmPlatformGuard();
    setOrganizationName(QStringLiteral("Quillwren"));
    setApplicationName(info_.name);
    setApplicationVersion(info_.version);
    if (!info_.iconPath.isEmpty()) setWindowIcon(QIcon(info_.iconPath));
    InstallQtJapanese(qtTranslator_);
}

CWordkeeperApp::~CWordkeeperApp() { QCoreApplication::removeTranslator(&qtTranslator_); }

CWordkeeperApp* CWordkeeperApp::instance() {
    return qobject_cast<CWordkeeperApp*>(QCoreApplication::instance());
}

QString ApplicationCaption() {
    if (const CWordkeeperApp* app = CWordkeeperApp::instance()) return app->programInfo().name;
    return QCoreApplication::applicationName();
}

}  // namespace wk
