// Sends every command of both families to the virtual mouse and compares the
// wall time of each with the pauses the link has to make for it: 128 ms after
// a frame sent with pause, 120 ms after each output report, and 128 ms more
// after the data phase of a command with pause.
//
//   bench-device [repetitions]     (default 3; the mean per command is shown)
//
// Ends with 1 when a command that has to pause spends less than its pauses
// (it skipped some) or 5 % or more beyond them, or when one that must not
// pause takes half a pause or longer. Then it times whole operations as the
// scene calls them (settings writes and transfer together) against the
// pauses of the commands they sent, with the same bounds.
#include "device/hid_thread.h"
#include "devicesettings/devicesettings.h"
#include "tests/devicesettings/mouserig.h"
#include "tests/device/vmfixture.h"
#include "tools/virtual-mouse/virtual_mouse.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Command {
    const char *name;
    int family;
    bool pause;
    int outputReports; // at report length 32
    bool dataPhase;
    std::function<void(Hid_Thread &)> send;
};

uchar g_src[128];

std::vector<Command> commands()
{
    return {
        {"hid553_00H_GetSecrecyCode", 553, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 1, b = 2, c = 3, d = 4;
             h.hid553_00H_GetSecrecyCode(a, b, c, d);
         }},
        {"hid553_83H_GetKeyboardoption", 553, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 0, b = 0, c = 0, d = 0;
             h.hid553_83H_GetKeyboardoption(a, b, c, d);
         }},
        {"hid553_8BH_GetCurrentDPI", 553, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 0;
             h.hid553_8BH_GetCurrentDPI(a);
         }},
        {"hid_87H_GetLEDInstructFunction", 553, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 0, b = 0, c = 0;
             h.hid_87H_GetLEDInstructFunction(1, a, b, c);
         }},
        {"hid553_01H_SetReportRate", 553, true, 0, false,
         [](Hid_Thread &h) { h.hid553_01H_SetReportRate(1); }},
        {"hid553_02H_SetCurrentKeyMatrix", 553, true, 0, false,
         [](Hid_Thread &h) { h.hid553_02H_SetCurrentKeyMatrix(1); }},
        {"hid553_03H_SetKeyboardoption", 553, false, 0, false,
         [](Hid_Thread &h) { h.hid553_03H_SetKeyboardoption(0, 0, 0, 0x40); }},
        {"hid553_04H_SetGunData", 553, false, 0, false,
         [](Hid_Thread &h) { h.hid553_04H_SetGunData(1, 2, 3, 0); }},
        {"hid553_07H_Lod", 553, true, 0, false, [](Hid_Thread &h) { h.hid553_07H_Lod(2, 1); }},
        {"hid553_0BH_SetCurrentDPI", 553, true, 0, false,
         [](Hid_Thread &h) { h.hid553_0BH_SetCurrentDPI(2); }},
        {"hid553_0CH_SetFixLEDColor", 553, true, 0, false,
         [](Hid_Thread &h) { h.hid553_0CH_SetFixLEDColor(g_src); }},
        {"hid553_0DH_SetRGBLedEffect", 553, true, 0, false,
         [](Hid_Thread &h) { h.hid553_0DH_SetRGBLedEffect(1, 2, 3); }},
        {"hid553_10H_SetLED8StageColor (4 B)", 553, true, 1, true,
         [](Hid_Thread &h) { h.hid553_10H_SetLED8StageColor(2, g_src); }},
        {"hid553_10H_SetLED8StageColor (24 B)", 553, true, 1, true,
         [](Hid_Thread &h) { h.hid553_10H_SetLED8StageColor(1, g_src); }},
        {"hid553_11H_SetDPISet", 553, true, 1, true,
         [](Hid_Thread &h) { h.hid553_11H_SetDPISet(8, g_src); }},
        {"hid553_12H_SetKeyMatrix", 553, true, 2, true,
         [](Hid_Thread &h) { h.hid553_12H_SetKeyMatrix(g_src, 1); }},
        {"hid553_13H_SetMacroKey", 553, true, 4, true,
         [](Hid_Thread &h) { h.hid553_13H_SetMacroKey(1, g_src); }},
        {"hid553_16H_SetSlaveAttritube", 553, true, 2, true,
         [](Hid_Thread &h) { h.hid553_16H_SetSlaveAttritube(g_src); }},
        {"hid560_81H_GetKeyboardoption", 560, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 0, b = 0;
             h.hid560_81H_GetKeyboardoption(a, b);
         }},
        {"hid560_82H_GetCurrentProfile", 560, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 0;
             h.hid560_82H_GetCurrentProfile(a);
         }},
        {"hid560_84H_GetCurrentDPI", 560, false, 0, false,
         [](Hid_Thread &h) {
             uchar a = 1, b = 0;
             h.hid560_84H_GetCurrentDPI(a, b);
         }},
        {"hid560_8CH_readProfile (input)", 560, false, 0, true,
         [](Hid_Thread &h) {
             uchar image[128] = {};
             h.hid560_8CH_readProfile(image, 0);
         }},
        {"hid560_01H_SetKeyboardoption", 560, false, 0, false,
         [](Hid_Thread &h) { h.hid560_01H_SetKeyboardoption(0x08, 0); }},
        {"hid560_02H_SetCurrentProfile", 560, false, 0, false,
         [](Hid_Thread &h) { h.hid560_02H_SetCurrentProfile(1); }},
        {"hid560_03H_SetReportRate", 560, true, 0, false,
         [](Hid_Thread &h) { h.hid560_03H_SetReportRate(1); }},
        {"hid560_04H_SetCurrentDPI", 560, true, 0, false,
         [](Hid_Thread &h) { h.hid560_04H_SetCurrentDPI(2); }},
        {"hid560_09H_Lod", 560, true, 0, false, [](Hid_Thread &h) { h.hid560_09H_Lod(2, 1); }},
        {"hid560_0CH_setProfile", 560, true, 4, true,
         [](Hid_Thread &h) { h.hid560_0CH_setProfile(g_src, 1); }},
        {"hid560_0DH_SetKeyMatrix", 560, true, 4, true,
         [](Hid_Thread &h) { h.hid560_0DH_SetKeyMatrix(g_src, 1); }},
        {"hid560_0FH_SetMacroKey", 560, true, 4, true,
         [](Hid_Thread &h) { h.hid560_0FH_SetMacroKey(1, g_src); }},
    };
}

bool connectVirtualMouse(Hid_Thread &hid, int family)
{
    kvm::Config config = kvm::defaultConfig();
    config.family = family;
    config.reportLength = 32;
    return vmtest::admit(hid, config);
}

// Overhead of wall over mandated, as text; clears ok when it is out of bounds.
// The overhead beyond the pauses and, after a bar, the goal with its verdict.
QString judge(double wall, double mandated, bool &ok)
{
    if (mandated <= 0) {
        const bool met = wall < 64.0;
        ok = ok && met;
        return QStringLiteral("%1 ms | under 64 ms (half a pause), %2")
            .arg(wall, 0, 'f', 2)
            .arg(met ? QStringLiteral("met") : QStringLiteral("MISSED"));
    }
    const double percent = (wall - mandated) / mandated * 100.0;
    const bool met = wall >= mandated && percent < 5.0;
    ok = ok && met;
    return QStringLiteral("%1 % | 0 to 5 %, %2")
        .arg(percent, 0, 'f', 2)
        .arg(met ? QStringLiteral("met") : QStringLiteral("MISSED"));
}

// The pauses the link owes for what the wire log holds since it was cleared.
double mandatedByWireLog(int family)
{
    const std::vector<uint8_t> paused =
        family == 560 ? std::vector<uint8_t>{0x03, 0x04, 0x09, 0x0C, 0x0D, 0x0F}
                      : std::vector<uint8_t>{0x01, 0x02, 0x07, 0x0B, 0x0C, 0x0D,
                                             0x10, 0x11, 0x12, 0x13, 0x16};
    double ms = 0;
    bool pausing = false;
    bool data = false;
    auto endCommand = [&] {
        if (pausing && data)
            ms += 128.0;
    };
    for (const kvm::WireEntry &e : kvm::wireLog()) {
        if (e.iface != "command")
            continue;
        if (e.call == "send_feature" && e.plain.size() > 1) {
            endCommand();
            pausing = std::find(paused.begin(), paused.end(), e.plain[1]) != paused.end() &&
                      e.plain[1] < 0x80;
            data = false;
            if (pausing)
                ms += 128.0;
        } else if (e.call == "write" && e.result > 0) {
            data = true;
            ms += 120.0;
        }
    }
    endCommand();
    return ms;
}

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    qInstallMessageHandler(quietDebug);
    for (int i = 0; i < 128; ++i)
        g_src[i] = uchar(i);

    QTextStream out(stdout);
    out << "| Command or operation (mean of " << repetitions
        << ") | Wall time | Mandated pauses | Overhead | Goal |\n|---|---|---|---|---|\n";
    bool withinBound = true;
    for (int family : {553, 560}) {
        Hid_Thread hid;
        if (!connectVirtualMouse(hid, family)) {
            std::fprintf(stderr, "virtual mouse of family %d not admitted\n", family);
            return 2;
        }
        for (const Command &command : commands()) {
            if (command.family != family)
                continue;
            const int before = kvm::state().errors;
            QElapsedTimer clock;
            clock.start();
            for (int r = 0; r < repetitions; ++r)
                command.send(hid);
            const double wall = double(clock.nsecsElapsed()) / 1e6 / repetitions;
            // One settle pause after the frame, a second one after a data phase.
            const double settle = command.pause ? (command.outputReports > 0 ? 256.0 : 128.0) : 0.0;
            const double mandated = settle + 120.0 * command.outputReports;
            const QString overhead = judge(wall, mandated, withinBound);
            out << QStringLiteral("| %1%5 | %2 ms | %3 ms | %4 |\n")
                       .arg(QString::fromLatin1(command.name))
                       .arg(wall, 0, 'f', 2)
                       .arg(mandated, 0, 'f', 0)
                       .arg(overhead)
                       .arg(kvm::state().errors != before ? QStringLiteral(" (device error)")
                                                          : QString());
            out.flush();
        }
    }

    // Whole operations as the scene calls them: the settings writes before
    // the transfer count as well.
    struct Operation {
        const char *name;
        int family;
        std::function<void(DeviceSettings &)> run;
    };
    QVariantList matrix;
    for (int i = 0; i < 64; ++i)
        matrix << (i % 4 == 0 ? 1 : 0);
    const std::vector<Operation> operations = {
        {"mouseSetKeyMatrix, one layer (553)", 553,
         [&](DeviceSettings &ds) {
             ds.mouseSetKeyMatrix(0, matrix, QVariantList(64, 0), true, {});
         }},
        {"mouseSetKeyMatrix, one layer (560)", 560,
         [&](DeviceSettings &ds) {
             ds.mouseSetKeyMatrix(0, matrix, QVariantList(64, 0), true, {});
         }},
        {"ui_10H_SetLED8StageColor (553)", 553,
         [](DeviceSettings &ds) { ds.ui_10H_SetLED8StageColor(1, QVariantList(24, 3)); }},
        {"mouseSetCurrentDPI (553)", 553, [](DeviceSettings &ds) { ds.mouseSetCurrentDPI(2); }},
    };
    for (const Operation &operation : operations) {
        MouseRig rig;
        if (!rig.connect({operation.family})) {
            std::fprintf(stderr, "virtual mouse of family %d not admitted\n", operation.family);
            return 2;
        }
        DeviceSettings ds(rig.device.get());
        double wall = 0;
        double mandated = 0;
        for (int r = 0; r < repetitions; ++r) {
            kvm::clearWireLog();
            QElapsedTimer clock;
            clock.start();
            operation.run(ds);
            wall += double(clock.nsecsElapsed()) / 1e6;
            mandated += mandatedByWireLog(operation.family);
        }
        wall /= repetitions;
        mandated /= repetitions;
        const QString overhead = judge(wall, mandated, withinBound);
        out << QStringLiteral("| %1 | %2 ms | %3 ms | %4 |\n")
                   .arg(QString::fromLatin1(operation.name))
                   .arg(wall, 0, 'f', 2)
                   .arg(mandated, 0, 'f', 0)
                   .arg(overhead);
        out.flush();
    }

    out << (withinBound ? "\nEvery command and operation met its goal.\n"
                        : "\nA command or operation MISSED its goal.\n");
    return withinBound ? 0 : 1;
}
