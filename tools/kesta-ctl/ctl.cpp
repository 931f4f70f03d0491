#include "tools/kesta-ctl/ctl.h"

#include "desktop/modulesfolder.h"
#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "devicesettings/devicesettings.h"
#include "settings/settingsstore.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QTextStream>

namespace Ctl {

namespace {

const char *const kUsage =
    "usage: kesta-ctl [--modules-dir DIR] [--no-device] [--answer PATH]... call OPERATION "
    "[ARG...]\n"
    "       kesta-ctl [--modules-dir DIR] list\n"
    "       kesta-ctl --print-modules-dir\n"
    "Arguments are JSON: 3, \"text\", true, [1, 2, 3]. Results are printed as JSON.";

} // namespace

bool parseArguments(const QStringList &argv, Options *options, QString *error)
{
    int i = 0;
    for (; i < argv.size(); ++i) {
        const QString &a = argv.at(i);
        if (a == QLatin1String("--modules-dir") || a == QLatin1String("--answer")) {
            if (i + 1 >= argv.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            if (a == QLatin1String("--modules-dir"))
                options->modulesDir = argv.at(++i);
            else
                options->answers.append(argv.at(++i));
        } else if (a == QLatin1String("--no-device")) {
            options->useDevice = false;
        } else if (a == QLatin1String("--print-modules-dir")) {
            options->command = QStringLiteral("print-modules-dir");
        } else if (a.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else {
            break;
        }
    }
    if (options->command == QLatin1String("print-modules-dir")) {
        if (i != argv.size()) {
            *error = QStringLiteral("--print-modules-dir takes no command");
            return false;
        }
        return true;
    }
    if (i >= argv.size()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    options->command = argv.at(i++);
    if (options->command == QLatin1String("list")) {
        if (i != argv.size()) {
            *error = QStringLiteral("list takes no arguments");
            return false;
        }
        return true;
    }
    if (options->command != QLatin1String("call")) {
        *error = QStringLiteral("unknown command %1").arg(options->command);
        return false;
    }
    if (i >= argv.size()) {
        *error = QStringLiteral("call needs an operation name");
        return false;
    }
    options->operation = argv.at(i++);
    options->args = argv.mid(i);
    return true;
}

bool parseJsonArgument(const QString &text, QVariant *value, QString *error)
{
    // Wrapped in an array so that scalars parse too.
    QJsonParseError parseError;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray("[") + text.toUtf8() + QByteArray("]"), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray() || doc.array().size() != 1) {
        *error = QStringLiteral("not a JSON value: %1").arg(text);
        return false;
    }
    *value = doc.array().at(0).toVariant();
    return true;
}

QString formatResult(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("null");
    const QJsonValue json = QJsonValue::fromVariant(value);
    QJsonArray wrapper{json};
    QString text = QString::fromUtf8(QJsonDocument(wrapper).toJson(QJsonDocument::Compact));
    return text.mid(1, text.size() - 2); // unwrap the array
}

namespace {

// The presence check and handshake, then what a connect reads: a 560-family
// mouse's on-board profiles fill the images that later writes patch.
bool connectDevice(Operations &ops, Hid_Thread &hid, QTextStream &err)
{
    SettingsStore *store = ops.settings();
    auto list =
        DevicePresence::readDeviceList(store->modulePath(QStringLiteral("setting/apConfig.bin")));
    DevicePresence::findInterfaces(list);
    if (DevicePresence::admitFirst(hid, list) < 0) {
        err << "kesta-ctl: no configured device answered; device operations will fail\n";
        err.flush();
        return false;
    }
    hid.hidIdle = true;
    if (store->is560()) {
        DeviceSettings *ds = ops.deviceSettings();
        const uint last = store->isGun ? 4 : 1;
        for (uint n = 0; n <= last; ++n)
            ds->mouseReadProfile(n);
    }
    return true;
}

} // namespace

int run(const QStringList &argv, QTextStream &out, QTextStream &err)
{
    Options options;
    QString error;
    if (!parseArguments(argv, &options, &error)) {
        err << "kesta-ctl: " << error << "\n" << kUsage << "\n";
        return 2;
    }
    if (options.modulesDir.isEmpty())
        options.modulesDir = ModulesFolder::resolveForThisProgram().path;
    if (options.command == QLatin1String("print-modules-dir")) {
        out << QFileInfo(options.modulesDir).absoluteFilePath() << "\n";
        return 0;
    }

    ScriptedDialogs dialogs;
    dialogs.answers = options.answers;
    Operations ops(options.modulesDir, &dialogs);
    Hid_Thread hid;
    ops.attachDevice(&hid);

    if (options.command == QLatin1String("list")) {
        for (const QString &signature : ops.signatures())
            out << signature << "\n";
        return 0;
    }

    QVariantList args;
    for (const QString &text : options.args) {
        QVariant value;
        if (!parseJsonArgument(text, &value, &error)) {
            err << "kesta-ctl: " << error << "\n";
            return 2;
        }
        args.append(value);
    }

    if (options.useDevice)
        connectDevice(ops, hid, err);

    QVariant result;
    if (!ops.call(options.operation, args, &result, &error)) {
        err << "kesta-ctl: " << error << "\n";
        return 2;
    }
    out << formatResult(result) << "\n";
    return 0;
}

} // namespace Ctl
