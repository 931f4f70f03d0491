// A staged modules folder with the operations on the linked virtual mouse,
// for the model and kesta-ctl tests: a model (or a task command) works on
// one rig, the operations it stands for are called by name on another, and
// the two compare their files and wire.
#pragma once

#include "../stagemodules.h"
#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "devicesettings/devicesettings.h"
#include "platform/pointersettings.h"
#include "settings/userdialogs.h"
#include "tools/kesta-ctl/ctl.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/operations.h"

#include <QDirIterator>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Every file under `folder` with its bytes, by its path below it.
inline QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out.insert(path.mid(folder.size()), f.readAll());
    }
    return out;
}

class RecordedPointer : public PointerSettings
{
public:
    QStringList *calls = nullptr;
    bool setCursorSpeed(int speed) override
    {
        return record(QStringLiteral("speed %1").arg(speed));
    }
    bool setDoubleClickTime(int ms) override { return record(QStringLiteral("double %1").arg(ms)); }
    bool setWheelScrollLines(int n) override { return record(QStringLiteral("lines %1").arg(n)); }

private:
    bool record(const QString &call)
    {
        calls->append(call);
        return true;
    }
};

struct ModelRig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Operations> ops;
    std::unique_ptr<Hid_Thread> hid;
    QStringList pointerCalls;

    QString modules() const { return dir.path() + QStringLiteral("/modules"); }
    // $DIR in a step or argument names the rig's folder.
    QString expand(QString text) const { return text.replace(QLatin1String("$DIR"), dir.path()); }

    bool open()
    {
        if (!stageModules(dir.path()))
            return false;
        kvm::configure(kvm::defaultConfig());
        ops = std::make_unique<Operations>(modules(), &dialogs);
        hid = std::make_unique<Hid_Thread>();
        ops->attachDevice(hid.get());
        auto pointer = std::make_unique<RecordedPointer>();
        pointer->calls = &pointerCalls;
        ops->deviceSettings()->setPointerSettings(std::move(pointer));
        auto list =
            DevicePresence::readDeviceList(modules() + QStringLiteral("/setting/apConfig.bin"));
        DevicePresence::findInterfaces(list);
        if (DevicePresence::admitFirst(*hid, list) < 0)
            return false;
        hid->hidIdle = true;
        return true;
    }

    // "operation|json|json...", as kesta-ctl's call takes them; "answer|PATH"
    // answers the next file dialog.
    bool call(const QString &step)
    {
        const QStringList parts = expand(step).split(QLatin1Char('|'));
        if (parts.first() == QLatin1String("answer")) {
            dialogs.answers.append(parts.value(1));
            return true;
        }
        QVariantList args;
        for (const QString &text : parts.mid(1)) {
            QVariant value;
            QString error;
            if (!Ctl::parseJsonArgument(text, &value, &error)) {
                qWarning() << error;
                return false;
            }
            args.append(value);
        }
        QString error;
        if (!ops->call(parts.first(), args, nullptr, &error)) {
            qWarning() << step << error;
            return false;
        }
        return true;
    }

    // Every file under the modules folder with its bytes.
    QMap<QString, QByteArray> files() const { return filesUnder(modules()); }
};

// What crossed the wire towards the mouse since the last clearWireLog().
inline QStringList sentToMouse()
{
    QStringList out;
    for (const kvm::WireEntry &e : kvm::wireLog()) {
        if (e.call != "send_feature" && e.call != "write")
            continue;
        const auto &bytes = e.call == "send_feature" ? e.plain : e.bytes;
        out.append(QString::fromStdString(e.call) + QLatin1Char(' ') +
                   QString::fromLatin1(
                       QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()))
                           .toHex(' ')));
    }
    return out;
}

// Runs `model` on one rig and `reference` (operation calls) on another, each
// after `setup`, and compares what they stored and sent.
template <typename Run>
void compareWithOperations(const QStringList &setup, Run model, const QStringList &reference)
{
    ModelRig a;
    QVERIFY(a.open());
    for (const QString &step : setup)
        QVERIFY2(a.call(step), qPrintable(step));
    kvm::clearWireLog();
    model(*a.ops);
    const QStringList modelWire = sentToMouse();
    QCOMPARE(kvm::state().errors, 0);
    QVERIFY(!modelWire.isEmpty()); // every case sends

    ModelRig b;
    QVERIFY(b.open());
    for (const QString &step : setup)
        QVERIFY2(b.call(step), qPrintable(step));
    kvm::clearWireLog();
    for (const QString &step : reference)
        QVERIFY2(b.call(step), qPrintable(step));
    QCOMPARE(modelWire, sentToMouse());
    QCOMPARE(a.pointerCalls, b.pointerCalls);
    const auto modelFiles = a.files();
    const auto referenceFiles = b.files();
    QCOMPARE(modelFiles.keys(), referenceFiles.keys());
    for (const QString &name : modelFiles.keys())
        QVERIFY2(modelFiles.value(name) == referenceFiles.value(name), qPrintable(name));
}
