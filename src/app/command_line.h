#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace qvestra {

// What the command line asks for: to run the program, or an answer and the
// status to end with. Any argument but --help and --version (short -h, -v)
// is refused before any window, so none can reach the web engine.
struct CommandLineAnswer {
    bool run = true;
    int status = 0;
    QString text;
    bool error = false;  // the text goes to standard error
};

// arguments: the program's, its name first. The answers are Japanese under
// a Japanese locale, English otherwise.
CommandLineAnswer ReadCommandLine(const QStringList& arguments, const QLocale& locale);

}  // namespace qvestra
