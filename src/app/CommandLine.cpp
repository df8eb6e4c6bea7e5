#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace app {

namespace {

constexpr const char* kVersion = KORVANE_VERSION;

void Describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Browse 3D Studio models (.3ds, .3da), edit their materials and save them as DirectX .x "
                       "or glTF files; DirectX (.x, .xa) and glTF files (.glb, .gltf) open in a viewer window."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A model, DirectX or glTF file to open."),
                                 QStringLiteral("[file]"));
}

// The options the application object takes for itself; known here so that only
// options nobody knows are refused before it exists.
struct TQtOption {
    const char* name;
    bool takesValue;
};
constexpr TQtOption kQtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"display", true},
    {"geometry", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
};

void KnowQtOptions(QCommandLineParser& parser) {
    for (const TQtOption& qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue) option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int index = 0; index < argc; ++index) arguments << QString::fromLocal8Bit(argv[index]);
    return arguments;
}

// The arguments that are not options, as the bytes given: options have no values here.
std::vector<std::string> RawPositionals(int argc, char** argv) {
    std::vector<std::string> positionals;
    bool optionsEnded = false;
    for (int index = 1; index < argc; ++index) {
        const char* argument = argv[index];
        if (!optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
            positionals.emplace_back(argument);
        }
    }
    return positionals;
}

void ReportUsageError(const QString& message) {
    std::fprintf(stderr, "korvane: %s\nTry 'korvane --help' for more information.\n", qPrintable(message));
}

// Reports a second file; true when there is at most one.
bool OneFileAtMost(std::size_t files) {
    if (files <= 1) return true;
    ReportUsageError(QStringLiteral("only one file can be opened at a time"));
    return false;
}

}  // namespace

std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
    int count = argc;
    QCoreApplication information(count, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QCommandLineParser parser;
    Describe(parser);
    KnowQtOptions(parser);
    const bool parsed = parser.parse(Arguments(argc, argv));
    // The help of Qt's own options is left out: the window's options are all there is to tell.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("korvane %s\n", kVersion);
        return 0;
    }
    if (!parsed) {
        ReportUsageError(parser.errorText());
        return kExitUsage;
    }
    // Told here too, as without a display the application object would end the run first.
    if (!OneFileAtMost(static_cast<std::size_t>(parser.positionalArguments().size()))) return kExitUsage;
    return std::nullopt;
}

std::optional<TCommandLine> ParseCommandLine(int argc, char** argv) {
    QCommandLineParser parser;
    Describe(parser);
    if (!parser.parse(Arguments(argc, argv))) {
        ReportUsageError(parser.errorText());
        return std::nullopt;
    }
    const std::vector<std::string> files = RawPositionals(argc, argv);
    if (!OneFileAtMost(files.size())) return std::nullopt;
    TCommandLine line;
    if (!files.empty()) line.File = files.front();
    return line;
}

}  // namespace app
