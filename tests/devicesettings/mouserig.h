// A connected virtual mouse with a staged modules folder, the way the program
// sets it up: device list in setting/apConfig.bin, presence check, handshake.
#pragma once

#include "device/devicepresence.h"
#include "device/hid_thread.h"
#include "devicesettings/mousedevice.h"
#include "settings/settingsstore.h"
#include "tools/virtual-mouse/virtual_mouse.h"

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

struct MouseTraits {
    int family = 553;
    bool isGun = false;
    bool isColorful = false;
    bool is55328 = false;
};

// One command as it crossed the wire: the plain frame (report ID first) and
// the data phase that followed it (report ID bytes removed).
struct WireCommand {
    std::vector<uint8_t> frame;
    std::vector<uint8_t> data;
    uint8_t code() const { return frame.size() > 1 ? frame[1] : 0; }
    uint8_t param(int k) const { return size_t(k) < frame.size() ? frame[k] : 0; }
};

inline std::vector<WireCommand> wireCommands()
{
    std::vector<WireCommand> commands;
    for (const kvm::WireEntry &e : kvm::wireLog()) {
        if (e.iface != "command")
            continue;
        if (e.call == "send_feature") {
            commands.push_back({e.plain, {}});
        } else if ((e.call == "write" || e.call == "read") && !commands.empty() && e.result > 0) {
            const size_t skip = e.call == "write" ? 1 : 0; // output reports carry the ID byte
            commands.back().data.insert(commands.back().data.end(), e.bytes.begin() + skip,
                                        e.bytes.end());
        }
    }
    return commands;
}

inline std::vector<uint8_t> wireCodes()
{
    std::vector<uint8_t> codes;
    for (const WireCommand &c : wireCommands())
        codes.push_back(c.code());
    return codes;
}

// A recognisable on-board profile: byte k of image n is n * 16 + k (low byte).
inline kvm::Image patternImage(int n)
{
    kvm::Image image{};
    for (int k = 0; k < 128; ++k)
        image[k] = uint8_t(n * 16 + k);
    return image;
}

class MouseRig
{
public:
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Hid_Thread> hid;
    std::unique_ptr<MouseDevice> device;

    QString settingPath(const QString &name) const { return dir.filePath("setting/" + name); }

    // Factory matrix of the staged profiles: entry n = (n, 0x10 + n, 0x20 + n, 0x30 + n).
    static QStringList firmwareEntry(int n)
    {
        return {QString::number(n), QString::number(0x10 + n), QString::number(0x20 + n),
                QString::number(0x30 + n)};
    }

    bool connect(const MouseTraits &traits, kvm::Config config = kvm::defaultConfig())
    {
        if (!dir.isValid())
            return false;
        QDir(dir.path()).mkpath("setting");
        QDir(dir.path()).mkpath("gun");
        {
            QSettings ap(settingPath("apConfig.bin"), QSettings::IniFormat);
            ap.setValue("common/deviceCount", 1);
            ap.setValue("0/type", "1");
            ap.setValue("0/vid", QString::number(config.vid, 16));
            ap.setValue("0/pid", QString::number(config.pid, 16));
            ap.setValue("0/usagePage", QString::number(config.usagePage, 16));
            ap.setValue("0/usage", QString::number(config.usage, 16));
            ap.setValue("0/usagePage2", QString::number(config.usagePage2, 16));
            ap.setValue("0/usage2", QString::number(config.usage2, 16));
            ap.setValue("0/reportLength", config.reportLength);
            ap.setValue("0/isEncode", config.encoded);
            ap.setValue("0/sCode", QString::fromStdString(config.secrecyCode));
            ap.setValue("mouse/icType", traits.family == 560 ? "560" : "553");
            ap.setValue("mouse/isGun", traits.isGun);
            ap.setValue("mouse/isColorful", traits.isColorful);
            ap.setValue("mouse/is55328", traits.is55328);
            ap.sync();
            for (const QString &name : {QStringLiteral("p1.bin"), QStringLiteral("pD.bin")}) {
                QSettings profile(settingPath(name), QSettings::IniFormat);
                for (int n = 0; n < 16; ++n)
                    profile.setValue("mouseFwKeyMatrix/" + QString::number(n), firmwareEntry(n));
                profile.sync();
            }
        }
        config.family = traits.family;
        for (int n = 0; n < 5; ++n)
            config.profiles[n] = patternImage(n);
        kvm::configure(config);

        store = std::make_unique<SettingsStore>(dir.path());
        store->icType = traits.family == 560 ? "560" : "553";
        store->isGun = traits.isGun;
        store->isColorful = traits.isColorful;
        store->is55328 = traits.is55328;
        hid = std::make_unique<Hid_Thread>();
        auto list = DevicePresence::readDeviceList(settingPath("apConfig.bin"));
        DevicePresence::findInterfaces(list);
        if (DevicePresence::admitFirst(*hid, list) < 0)
            return false;
        device = std::make_unique<MouseDevice>(store.get(), hid.get());
        // The images as the connect sequence would have read them.
        for (int n = 0; n < 5; ++n)
            std::copy(config.profiles[n].begin(), config.profiles[n].end(),
                      device->images[n].begin());
        kvm::clearWireLog();
        return true;
    }
};
