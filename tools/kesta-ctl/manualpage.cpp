// kesta-ctl's manual page, written at build time from the texts --help and
// COMMAND --help print, so that the installed manual says what the tool
// says.
#include "tools/kesta-ctl/ctl.h"
#include "tools/kesta-ctl/tasks.h"

namespace Ctl {

namespace {

struct Section {
    QString title;
    QStringList lines; // without the section's own indentation
};

// A manual text: titles at the left margin, bodies indented by four.
QList<Section> sectionsOf(const QString &text)
{
    QList<Section> out;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.at(0).isSpace()) {
            out.append({line.trimmed(), {}});
        } else if (!out.isEmpty()) {
            out.last().lines.append(line.startsWith(QLatin1String("    ")) ? line.mid(4)
                                                                           : line.trimmed());
        }
    }
    for (Section &s : out) {
        while (!s.lines.isEmpty() && s.lines.last().trimmed().isEmpty())
            s.lines.removeLast();
    }
    return out;
}

// Text as roff reads it: backslashes and dashes escaped, characters beyond
// ASCII named by their code point, a leading dot or quote kept from being
// taken as a request.
QString escaped(const QString &text)
{
    QString s;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\\')
            s += QLatin1String("\\e");
        else if (c == U'-')
            s += QLatin1String("\\-");
        else if (c > 0x7f)
            s += QLatin1String("\\[u") +
                 QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0')) +
                 QLatin1Char(']');
        else
            s += QChar(c);
    }
    if (s.startsWith(QLatin1Char('.')) || s.startsWith(QLatin1Char('\'')))
        s.prepend(QLatin1String("\\&"));
    return s;
}

bool isPreformatted(const QString &title)
{
    return title == QLatin1String("SYNOPSIS") || title == QLatin1String("EXAMPLES") ||
           title == QLatin1String("COMMANDS") || title == QLatin1String("OPTIONS");
}

// A body: lists, synopses and examples as they are laid out; prose filled,
// with its indented parts (lists, examples) kept as laid out.
QString body(const Section &section)
{
    QString out;
    if (isPreformatted(section.title)) {
        out += QLatin1String(".nf\n");
        for (const QString &line : section.lines)
            out += escaped(line) + QLatin1Char('\n');
        return out + QLatin1String(".fi\n");
    }
    bool laidOut = false;
    for (const QString &line : section.lines) {
        const bool indented = line.startsWith(QLatin1Char(' '));
        if (indented != laidOut) {
            out += indented ? QLatin1String(".RS 4\n.nf\n") : QLatin1String(".fi\n.RE\n");
            laidOut = indented;
        }
        if (line.trimmed().isEmpty())
            out += laidOut ? QLatin1String("\n") : QLatin1String(".PP\n");
        else
            out += escaped(laidOut ? line.mid(4) : line) + QLatin1Char('\n');
    }
    if (laidOut)
        out += QLatin1String(".fi\n.RE\n");
    return out;
}

// One task command's manual as a subsection: its NAME line heads it.
QString commandSection(const TaskCommand &command)
{
    QString out;
    for (const Section &s : sectionsOf(command.manual)) {
        if (s.title == QLatin1String("NAME")) {
            out += QStringLiteral(".SS \"%1\"\n").arg(escaped(s.lines.value(0)));
            continue;
        }
        out +=
            QStringLiteral(".PP\n.B %1\n.RS 4\n").arg(s.title) + body(s) + QLatin1String(".RE\n");
    }
    return out;
}

} // namespace

QString manualPage(const QString &version, const QString &date)
{
    QString out =
        QStringLiteral(".\\\" Written by kesta-ctl-gendocs from kesta-ctl's own help texts.\n"
                       ".TH KESTA\\-CTL 1 \"%1\" \"kesta-config %2\" \"User Commands\"\n")
            .arg(date, version);
    const QList<Section> usage = sectionsOf(usageText());
    for (const Section &s : usage) {
        out += QStringLiteral(".SH \"%1\"\n").arg(s.title) + body(s);
        if (s.title == QLatin1String("COMMANDS")) {
            out += QLatin1String(".SH \"TASK COMMANDS\"\n"
                                 "Each is also shown by\n.B kesta\\-ctl\n.I COMMAND\n"
                                 ".BR \\-\\-help .\n");
            for (const TaskCommand &c : taskCommands())
                out += commandSection(c);
        }
    }
    out += QLatin1String(".SH \"SEE ALSO\"\n.BR kesta\\-config (1)\n");
    return out;
}

} // namespace Ctl
