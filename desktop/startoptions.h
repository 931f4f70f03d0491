// kesta-config's command line. Qt's own options (-platform, -style, ...) are
// taken out by the application object before these are read.
#pragma once

#include <QString>
#include <QStringList>

struct StartOptions {
    bool hidden = false;          // --hidden: start in the tray, window not shown
    bool printModulesDir = false; // --print-modules-dir: print the folder and end
    bool help = false;            // --help, -h
    bool version = false;         // --version
    QString error;                // the first argument not understood

    // Options that end the program before any window exists.
    bool endsAtOnce() const { return printModulesDir || help || version; }
};

// Reads the arguments (without the program name).
StartOptions parseStartOptions(const QStringList &args);

QString startUsage();
