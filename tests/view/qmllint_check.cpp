// Lints the scene with qmllint (through the module's generated lint target,
// which knows its import paths) and fails on any warning except unqualified
// access to
// - the context objects the view host publishes: ui_View, ui_Ctl, hid;
// - an id of the same file used from inside a delegate. Qt 6.4 has no way to
//   declare a delegate bound to its document, so qmllint reports those even
//   though they resolve.
//   qmllint_check <cmake> <build dir> <json written by the lint target>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

namespace {

QSet<QString> idsOf(const QStringList &lines)
{
    static const QRegularExpression id(QStringLiteral("^\\s*id:\\s*([A-Za-z_]\\w*)"));
    QSet<QString> ids;
    for (const QString &line : lines) {
        const auto m = id.match(line);
        if (m.hasMatch())
            ids.insert(m.captured(1));
    }
    return ids;
}

QString identifierAt(const QStringList &lines, int line, int column)
{
    const QString text = lines.value(line - 1);
    static const QRegularExpression word(QStringLiteral("^[A-Za-z_]\\w*"));
    return word.match(text.mid(column - 1)).captured(0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc != 4) {
        out << "usage: qmllint_check <cmake> <build dir> <json>\n";
        return 2;
    }
    const QString json = QString::fromLocal8Bit(argv[3]);
    QFile::remove(json);
    QProcess lint;
    lint.setProcessChannelMode(QProcess::MergedChannels);
    lint.start(QString::fromLocal8Bit(argv[1]),
               {QStringLiteral("--build"), QString::fromLocal8Bit(argv[2]),
                QStringLiteral("--target"), QStringLiteral("kesta_scene_qmllint_json")});
    lint.waitForFinished(300000);
    QFile file(json);
    if (!file.open(QIODevice::ReadOnly)) {
        out << "qmllint wrote no report:\n" << lint.readAll() << "\n";
        return 1;
    }
    const QJsonArray files = QJsonDocument::fromJson(file.readAll())["files"].toArray();
    static const QSet<QString> contextObjects = {QStringLiteral("ui_View"),
                                                 QStringLiteral("ui_Ctl"), QStringLiteral("hid")};
    int failures = 0;
    for (const QJsonValue &entry : files) {
        const QString path = entry["filename"].toString();
        QFile source(path);
        source.open(QIODevice::ReadOnly);
        const QStringList lines = QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'));
        const QSet<QString> ids = idsOf(lines);
        for (const QJsonValue &warning : entry["warnings"].toArray()) {
            const QString message = warning["message"].toString();
            const int line = warning["line"].toInt();
            if (message.startsWith(QLatin1String("Unqualified access"))) {
                const QString name = identifierAt(lines, line, warning["column"].toInt());
                if (contextObjects.contains(name) || ids.contains(name))
                    continue;
            }
            if (warning["type"].toString() == QLatin1String("info"))
                continue;
            out << path << ':' << line << ": " << message << '\n';
            ++failures;
        }
    }
    out << "qmllint: " << files.size() << " files, " << failures << " warning(s)\n";
    return failures == 0 ? 0 : 1;
}
