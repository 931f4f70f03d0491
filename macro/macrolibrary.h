// The macro library as the scene sees it: macro files and folders under
// modules/macro, the name lists in setting/name.bin that describe the tree,
// import and export of .mc files, and the transfer of an encoded macro to
// the mouse. Every public slot is called by name from the scene.
#pragma once

#include <functional>
#include <memory>

#include "macro/macropaths.h"
#include "settings/settingsfile.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

class SettingsStore;
class MouseDevice;
class UserDialogs;
class QSettings;

class MacroLibrary : public QObject
{
    Q_OBJECT
public:
    // name.bin of a real library is well under a megabyte.
    static constexpr qint64 kMaxNameListSize = 16 * 1024 * 1024;

    // Without a device nothing is sent; without dialogs the import, export
    // and warning steps that need one do nothing.
    MacroLibrary(SettingsStore *store, MouseDevice *device, UserDialogs *dialogs = nullptr,
                 QObject *parent = nullptr);
    ~MacroLibrary() override;

    // <modules>/macro as an absolute path, fixed when the library is made.
    QString libraryRoot() const { return m_root; }
    QString nameListPath() const; // modules/setting/name.bin
    void setDialogs(UserDialogs *dialogs) { m_dialogs = dialogs; }
    // The folder the editor selected last (the macro editor's tests read it).
    MacroPaths::SelectionPath selectionPath() const { return m_selection; }
    QString batchSourceFolder() const { return m_batchSource; }
    QString exportRoot() const { return m_exportRoot; }
    // Removes folder `name` at `level` of the selection path if it is empty
    // (a folder just made whose listing failed); anything in it stays.
    bool removeEmptyFolder(int level, const QString &name);

    // Holds the name lists in memory from here to the matching
    // endListBatch(), which writes them once: a command that changes the
    // lists of many folders (a batch import, a folder renamed or deleted
    // with what it holds) rewrites name.bin once, not once per folder.
    // Batches nest; the outermost end writes. endListBatch() is false when
    // that write failed (the file keeps what it had).
    void beginListBatch();
    bool endListBatch();
    // Ends the batch when it goes out of scope, unless end() did.
    class ListBatch
    {
    public:
        explicit ListBatch(MacroLibrary *library) : m_library(library)
        {
            if (m_library)
                m_library->beginListBatch();
        }
        ~ListBatch() { end(); }
        ListBatch(const ListBatch &) = delete;
        ListBatch &operator=(const ListBatch &) = delete;
        bool end()
        {
            MacroLibrary *library = m_library;
            m_library = nullptr;
            return !library || library->endListBatch();
        }

    private:
        MacroLibrary *m_library;
    };

    // The list `suffix` ("macroName", "macroType", ... as listSuffixes()
    // names them) of the folder reached through `chain`, the top's for an
    // empty one; the selection path and list level stay as they are.
    QStringList folderList(const QStringList &chain, const QString &suffix) const;
    // Whether the list set under `prefix` may name a folder. False only
    // when name.bin holds that set and its types are all macros, as one
    // pass over the file's text tells without parsing any list: a
    // walk over the folders of a large library then parses only the sets
    // that hold folders, not every macro's name.
    bool listSetMayHoldFolders(const QString &prefix) const;

public slots:
    // Library store: selection path, files and folders, profile clean-up.
    void setMacroSelectName(const QVariant &name1, const QVariant &name2, const QVariant &name3,
                            const QVariant &name4, const QVariant &name5);
    void setMacroLevel(const QVariant &level);
    bool createMacroIni(const QVariant &name, const QVariant &macroIndex,
                        const QVariant &macroLevel, const QVariant &macroType);
    bool saveMacroIni(const QVariant &macroLevel, const QVariant &name, const QStringList &macros,
                      const QVariant &repeat);
    QStringList loadMacroIni(const QVariant &macroLevel, const QVariant &name);
    // The steps of the macro called `name` wherever it lives in the library,
    // as loadMacroIni gives them; the shallowest match wins and the
    // selection path is left alone. Empty when no macro has that name.
    QStringList loadMacroByName(const QString &name);
    // Every macro name of the library once, in the order loadMacroByName
    // searches (nearest the root first, then by name), so that a listed name
    // always plays the macro loadMacroByName finds for it.
    QStringList getMacroNames();
    // Macro names are unique across the library, since a profile binds a
    // macro by its name alone: creating, importing or renaming a macro to a
    // name that a macro in another folder holds is refused (a clash within
    // the folder is the scene's to report, as before).
    // Names compare exactly, as file names do here ("Fire" and "fire" are two).
    bool isMacroNameTaken(const QString &name);
    // Whether a button bound to `name` plays the macro file `path`, or one
    // below `path` when that is a folder: a binding names a macro alone and
    // plays the file loadMacroByName finds first, so only that file's
    // delete or rename concerns it. True as well when no macro file holds
    // the name (the binding plays nothing, whatever goes).
    bool bindingPlaysFrom(const QString &name, const QString &path) const;
    // Names that more than one macro holds, from a library made before the
    // rule; they keep working (loadMacroByName's first find wins).
    QStringList ambiguousMacroNames();
    // The names the last import (single or batch) left out because a macro
    // of the library already held them; the source files stay where they are.
    QStringList refusedMacroNames() { return m_refusedNames; }
    bool deleteMacroIni(const QVariant &macroLevel, const QVariant &macroType,
                        const QVariant &name);
    bool modifyMacroNameUpdateProfile(const QVariant &macroLevel, const QVariant &macroType,
                                      const QVariant &oldname, const QVariant &newname);
    void deleteMacroUpdateProfile(const QString &macroName);

    // Name lists in name.bin.
    QStringList getNameList(int type);
    bool updataNameList(int type, const QVariantList &nameList);
    QStringList getMacroList_Att(int att);
    QStringList getMacroSubList_Att(int att, const QString &name);
    bool updataMacroList(int att, int macroLevel, const QString &currentName,
                         const QVariantList &nameList, const QVariantList &typeList,
                         const QVariantList &showImg, const QVariantList &txtMargin,
                         const QVariantList &level, const QVariantList &no0,
                         const QVariantList &no1, const QVariantList &no2, const QVariantList &no3,
                         const QVariantList &no4);
    void updataMacroList_delOld(const QString &macroLevel);

    // Import, export and folder walks.
    QString loadMacroFile(int macroLevel, int selectType);
    void saveMacroFile(int macroLevel, const QString &macroName);
    QString loadMacroFile_batch();
    void loadMacroFile_sub_batch();
    QStringList getMacroFileName_batch(int macroLevel, int macroType);
    void searchMacroFile_sub_batch(const QString &currentName, int currentLevel, int deleteLevel);
    void getbatchPath();
    void saveMacroFile_batch(int macroLevel, const QVariantList &macroFileName,
                             const QVariantList &macroFileType);

    // Encoding and transfer.
    bool mouseSendMacroData(const QVariantList &macroData, const QVariant &macroIndex);
    QVariantList encodeMacro(const QStringList &steps, int repeat);
    int macroEncodedLength(const QStringList &steps);

    // What the macro editor needs besides the library itself.
    // The items of the library folder `name` at `macroLevel` (selection path
    // as for the other operations), macro files first, each group sorted by
    // name ignoring case: "0,<macro>" and "1,<folder>". Empty when the folder
    // does not exist or the level or a name is not acceptable.
    QStringList macroFolderEntries(int macroLevel, const QString &name);
    // How keys reach recording: "global" (every key and button of the
    // desktop), "window" (only keys typed into our own window) or "" (none).
    QString inputCaptureMode();

private:
    // name.bin through one held settings object. Every operation first checks
    // the file on disk and reads it again when it changed (size, time or
    // presence), so what another process wrote is seen as if the file were
    // opened anew; unchanged, nothing is parsed again however large it is.
    // Null (with a debug line) when the file is beyond kMaxNameListSize.
    QSettings *nameList() const;
    // Writes what an operation changed through to disk and remembers the
    // file; false when it could not be written (the file is left as it was).
    bool nameListWritten() const;
    QStringList readList(const QString &key) const;
    static void writeList(QSettings &names, const QString &key, const QStringList &list,
                          bool removeWhenEmpty);
    static void removeListSet(QSettings &names, const QString &prefix);
    static void dropListSet(QSettings &names, const QString &prefix); // with its debug line

    bool createMacroFile(const QString &path, uint index);
    void clearDepthLists();
    void importFolder(const QString &source, const QString &target, int depth,
                      QHash<QString, QStringList> &held);
    // Every macro file of the library, nearest the root first, by name
    // within a folder.
    void forEachMacroFile(
        const std::function<void(const QString &name, const QString &path)> &visit) const;
    // The files of the library's macros by name, nearest the root first.
    QHash<QString, QStringList> macroFilesByName() const;
    // Whether a macro file other than `ownPath` holds `name`.
    bool nameHeldElsewhere(const QString &name, const QString &ownPath) const;
    void walkLibrary(QSettings &names, const QString &folder, const QString &prefix, int depth,
                     int deleteLevel);
    // Where the file and folder dialogs start.
    QString dialogFolder() const;

    SettingsStore *m_store = nullptr;
    MouseDevice *m_device = nullptr;
    UserDialogs *m_dialogs = nullptr;
    QString m_root;
    mutable SettingsFile::Handle m_nameList;
    mutable QString m_nameListStamp;         // size and time of the file as last read
    mutable QSet<QString> m_setsWithFolders; // as the last scan found them
    mutable QSet<QString> m_listSets;
    mutable QString m_folderScanStamp; // the file that scan read
    int m_batchDepth = 0;
    mutable bool m_batchChanged = false; // a batch holds changes not written yet
    MacroPaths::SelectionPath m_selection;
    QString m_level;
    QString m_batchSource;
    QString m_exportRoot;
    QStringList m_refusedNames;
    QStringList m_macrosAtDepth[5];  // depths 1..5
    QStringList m_foldersAtDepth[4]; // depths 1..4
};
