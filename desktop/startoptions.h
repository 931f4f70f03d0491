// kesta-config's command line. Qt's own options (-platform, -style, ...) are
// taken out by the application object before these are read; the first read,
// before any application object exists, passes over them.
#pragma once

#include <QString>
#include <QStringList>

struct StartOptions {
    bool hidden = false;          // --hidden: start in the tray, window not shown
    bool printModulesDir = false; // --print-modules-dir: print the folder and end
    bool help = false;            // --help, -h
    bool version = false;         // --version
    QString modulesDir;           // --modules-dir DIR: the settings folder to use
    QString error;                // the first argument not understood

    // Options that end the program before any window exists.
    bool endsAtOnce() const { return printModulesDir || help || version; }
};

// Reads the arguments (without the program name). With qtOptionsLeft the
// options Qt's application object takes are passed over (with their values).
StartOptions parseStartOptions(const QStringList &args, bool qtOptionsLeft = false);

QString startUsage();
