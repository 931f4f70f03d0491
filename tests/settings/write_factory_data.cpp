// Writes the factory data files shipped under modules/setting and modules/gun
// through QSettings, so that their text is exactly what the program writes.
// Run by hand after changing a value here, then commit the files:
//   write_factory_data <source>/modules
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <cstdio>

namespace {

QStringList numbers(std::initializer_list<int> values)
{
    QStringList out;
    for (int v : values)
        out.append(QString::number(v));
    return out;
}

// Office and game matrices start alike: the five mouse buttons, DPI loop,
// DPI up/down, four media keys and the two further functions.
const int kKeyMatrix[16][4] = {
    {0, 0, 0xF0, 0}, {0, 0, 0xF1, 0}, {0, 0, 0xF2, 0}, {0, 0, 0xF3, 0},
    {0, 0, 0xF4, 0}, {5, 0, 3, 0},    {5, 0, 1, 0},    {5, 0, 2, 0},
    {5, 0, 1, 0},    {5, 0, 2, 0},    {3, 0, 0xE9, 0}, {3, 0, 0xEA, 0},
    {3, 0, 0xCD, 0}, {3, 0, 0xE2, 0}, {0xFF, 0, 1, 0}, {0xFF, 0, 2, 0},
};

// The same assignment in the mouse's own coding, as the firmware expects it
// under the weapon layers: buttons 3 and 4 exchanged, entries 6 and 7 fixed.
const int kFwKeyMatrix[16][4] = {
    {1, 0, 0xF0, 0}, {1, 0, 0xF1, 0}, {1, 0, 0xF2, 0}, {1, 0, 0xF4, 0},
    {1, 0, 0xF3, 0}, {7, 0, 3, 0},    {11, 7, 0, 0},   {5, 0, 1, 0},
    {7, 0, 1, 0},    {7, 0, 2, 0},    {3, 0, 0xE9, 0}, {3, 0, 0xEA, 0},
    {3, 0, 0xCD, 0}, {3, 0, 0xE2, 0}, {4, 0, 1, 0},    {4, 0, 2, 0},
};

const int kStageColors[8][3] = {
    {255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
    {0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {255, 255, 255},
};

// Fifteen colour blocks per light preset.
const int kLightColors[15][3] = {
    {255, 0, 0},   {255, 128, 0}, {255, 255, 0},   {128, 255, 0}, {0, 255, 0},
    {0, 255, 128}, {0, 255, 255}, {0, 128, 255},   {0, 0, 255},   {128, 0, 255},
    {255, 0, 255}, {255, 0, 128}, {255, 255, 255}, {255, 64, 64}, {64, 64, 255},
};

QString colorText(const int rgb[3])
{
    return QStringLiteral("#%1%2%3")
        .arg(rgb[0], 2, 16, QLatin1Char('0'))
        .arg(rgb[1], 2, 16, QLatin1Char('0'))
        .arg(rgb[2], 2, 16, QLatin1Char('0'));
}

void writeProfile(const QString &path)
{
    QFile::remove(path);
    QSettings s(path, QSettings::IniFormat);
    s.setValue("mouse/mouseMode", 0);
    for (int n = 0; n < 16; ++n) {
        const int *k = kKeyMatrix[n];
        const int *f = kFwKeyMatrix[n];
        s.setValue(QStringLiteral("mouseKeyMatrix/%1").arg(n), numbers({k[0], k[1], k[2], k[3]}));
        s.setValue(QStringLiteral("mouseKeyMatrix2/%1").arg(n), numbers({k[0], k[1], k[2], k[3]}));
        s.setValue(QStringLiteral("mouseFwKeyMatrix/%1").arg(n), numbers({f[0], f[1], f[2], f[3]}));
        s.setValue(QStringLiteral("mouseMacroKey/%1").arg(n), QString());
        s.setValue(QStringLiteral("mouseMacroKey2/%1").arg(n), QString());
    }

    s.setValue("mouse/dpiCount", 8);
    s.setValue("mouse/currentDpiCount", 4);
    s.setValue("mouse/dpiValueArray", numbers({500, 1000, 2000, 3000, 4000, 5000, 6000, 7000}));
    s.setValue("mouse/dpiEnableArray", numbers({1, 1, 1, 1, 1, 1, 1, 1}));
    QStringList stageColors;
    QStringList colorType0;
    for (int i = 0; i < 8; ++i) {
        if (i < 6)
            stageColors.append(colorText(kStageColors[i]));
        for (int c = 0; c < 3; ++c)
            colorType0.append(QString::number(kStageColors[i][c]));
    }
    s.setValue("mouse/dpiColorArray", stageColors);
    s.setValue("mouse/dpiColorType0", colorType0);
    s.setValue("mouse/dpiColorType1", colorType0);
    s.setValue("mouse/dpiColorType2", numbers({0, 1, 2, 3, 4, 5, 6, 7}));

    s.setValue("mouse/reportRate", 3);
    s.setValue("mouse/reportRateLod", 3);
    s.setValue("mouse/lod", 3);
    s.setValue("mouse/lodEn", 1);
    s.setValue("mouse/mouseRate", 163);
    s.setValue("mouse/doubleRate", 161);
    s.setValue("mouse/scrollRate", 3);

    QStringList colors;
    for (const auto &rgb : kLightColors)
        for (int c = 0; c < 3; ++c)
            colors.append(QString::number(rgb[c]));
    s.setValue("mouseLight/lightCount", 4);
    s.setValue("mouseLight/lightNo", 0);
    s.setValue("mouseLight/lightName", QStringList{"Light 1", "Light 2", "Light 3", "Light 4"});
    const QStringList suffixes{QString(), "1", "2", "3"};
    for (int p = 0; p < 4; ++p) {
        // effect, speed, brightness, direction: static, breath, neon, water
        s.setValue("mouseLight/colorIndex" + suffixes[p], 0);
        s.setValue("mouseLight/lightValue" + suffixes[p], numbers({p, 2, 51, 0}));
        s.setValue("mouseLight/colorValue" + suffixes[p], colors);
    }

    s.setValue("XYSensitive/0", 4);
    s.setValue("XYSensitive/1", 4);
    for (int slot = 0; slot < 3; ++slot)
        s.setValue(QStringLiteral("selectGun/%1").arg(slot), slot);
    s.sync();
}

void writeGlobal(const QString &path)
{
    QFile::remove(path);
    QSettings s(path, QSettings::IniFormat);
    s.setValue("common/deviceCount", 1);
    s.setValue("common/name", "KESTA R218");
    s.setValue("common/language", "English");
    s.setValue("0/type", "1");
    s.setValue("0/vid", "04d9");
    s.setValue("0/pid", "a09f");
    s.setValue("0/usagePage", "ff00");
    s.setValue("0/usage", "ff00");
    s.setValue("0/usagePage2", "ff01");
    s.setValue("0/usage2", "ff01");
    s.setValue("0/reportLength", 32);
    s.setValue("0/isEncode", true);
    s.setValue("0/sCode", "417306");
    s.setValue("mouse/isColorful", true);
    s.setValue("mouse/isGun", true);
    s.setValue("mouse/is55328", false);
    s.setValue("mouse/icType", "553");
    s.setValue("mouse/sensorType", "3320");
    s.setValue("mouse/minDPI", 500);
    s.setValue("mouse/maxDPI", 7000);
    s.setValue("mouse/dpiBase", 500);
    s.setValue("mouse/keyCount", 14);
    s.setValue("mouse/profileNo", 0);
    s.setValue("mouse/selectGun", numbers({0, 1, 2}));
    s.sync();
}

const QStringList kWeapons{"M416", "AKM", "M16A4", "SCAR-L", "UNP9", "Thomson"};

void writeNames(const QString &path)
{
    QFile::remove(path);
    QSettings s(path, QSettings::IniFormat);
    // Display name followed by the profile number as its last digit.
    s.setValue("profile/profileName",
               QStringList{"Default0", "Office1", "Game2", "Shooter3", "Strategy4", "Custom5"});
    s.setValue("gun/gunName", kWeapons);
    s.setValue("gun/selectGun", numbers({0, 1, 2}));
    s.sync();
}

void writeGunData(const QString &path)
{
    QFile::remove(path);
    QSettings s(path, QSettings::IniFormat);
    for (int i = 0; i < kWeapons.size(); ++i)
        s.setValue(QStringLiteral("gunData/%1").arg(i),
                   QStringList{kWeapons[i], "L-Click", "10", "0", "10", "0"});
    s.sync();
}

bool copyOver(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_factory_data <modules folder>\n");
        return 2;
    }
    const QDir modules(QString::fromLocal8Bit(argv[1]));
    if (!modules.mkpath("setting") || !modules.mkpath("gun"))
        return 1;
    const QString setting = modules.filePath("setting") + '/';

    writeGlobal(setting + "apConfig.bin");
    writeProfile(setting + "pD.bin");
    writeNames(setting + "name.bin");
    writeGunData(modules.filePath("gun/gunData.bin"));
    bool ok = copyOver(setting + "apConfig.bin", setting + "apConfigD.bin");
    for (int i = 1; i <= 10; ++i)
        ok = copyOver(setting + "pD.bin", setting + QStringLiteral("p%1.bin").arg(i)) && ok;
    return ok ? 0 : 1;
}
