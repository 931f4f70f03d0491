// Writes through SettingsStore and dies at once, the way a crash would end
// the program: nothing gets a chance to flush afterwards.
#include "settings/settingsstore.h"

#include <QCoreApplication>

#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    SettingsStore store(QString::fromLocal8Bit(argv[1]));
    store.setData(QStringLiteral("mouse/lod"), 77);
    store.setDataList(QStringLiteral("mouseLight/lightName"), QVariantList{QStringLiteral("Solo")});
    store.setGlobalData(QStringLiteral("common/language"), QStringLiteral("German"));
    std::abort();
}
