#include "app/command_line.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace qvestra {

CommandLineAnswer ReadCommandLine(const QStringList& arguments, const QLocale& locale) {
    const bool japanese = locale.language() == QLocale::Japanese;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, {});
    const QCommandLineOption version({"v", "version"}, {});
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString unknown = parser.unknownOptionNames().value(0);
        const QString what = !parser.positionalArguments().isEmpty()
                                 ? parser.positionalArguments().first()
                                 : (unknown.size() == 1 ? u"-"_s : u"--"_s) + unknown;
        return {false, 2,
                japanese ? QStringLiteral("qvestra: 使えない引数です: %1\n"
                                          "「qvestra --help」で使い方を表示します。\n")
                               .arg(what)
                         : QStringLiteral("qvestra: unknown option: %1\n"
                                          "Try 'qvestra --help'.\n")
                               .arg(what),
                true};
    }
    if (parser.isSet(help))
        return {false, 0,
                japanese
                    ? QStringLiteral("使い方: qvestra [オプション]\n"
                                     "QVestra 学習サービスのデスクトップクライアントです。"
                                     "会員メニューを全画面で表示します。\n\n"
                                     "オプション:\n"
                                     "  -h, --help     この説明を表示して終了します\n"
                                     "  -v, --version  バージョンを表示して終了します\n")
                    : QStringLiteral("Usage: qvestra [options]\n"
                                     "The desktop client of the QVestra learning service. It shows "
                                     "the member's menu page, full screen.\n\n"
                                     "Options:\n"
                                     "  -h, --help     Show this help and exit\n"
                                     "  -v, --version  Show the version and exit\n")};
    if (parser.isSet(version)) return {false, 0, QStringLiteral("QVestra " QVESTRA_VERSION "\n")};
    return {};
}

}  // namespace qvestra
