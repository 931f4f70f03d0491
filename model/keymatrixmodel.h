// The button list: sixteen assignments per mode (office and game), the
// rules that keep the left click, the macro bindings, and the texts the
// window shows for them. Saving always stores both matrices and sends them
// with the fire periods of the three recoil slots.
#pragma once

#include "model/assignmenttable.h"
#include "model/pagemodel.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

#include <optional>

class QJSEngine;
class QQmlEngine;
class MacroLibrary;
class RecoilModel;
class SettingsStore;

class KeyMatrixModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // 0 office, 1 game: which matrix the list shows and edits.
    Q_PROPERTY(int mode READ mode NOTIFY modeChanged)
    // Set by the first init: until then the model holds placeholders, which
    // are never stored or sent.
    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY loadedChanged)
    // The shown matrix: sixteen arrays of four numbers.
    Q_PROPERTY(QVariantList entries READ entryList NOTIFY entriesChanged)
    Q_PROPERTY(QStringList labels READ labels CONSTANT)
    // How many labelled positions the mouse has (0: all).
    Q_PROPERTY(int keyCount READ keyCount WRITE setKeyCount NOTIFY keyCountChanged)
    Q_PROPERTY(QVariantList visibleIndexes READ visibleIndexes NOTIFY keyCountChanged)
    // The language's texts, set by the scene: the "keyAssigment" section with
    // the built-in texts under it, the section as loaded (may be empty), the
    // main page's texts and the key names.
    Q_PROPERTY(QStringList captions READ captions WRITE setCaptions NOTIFY textsChanged)
    Q_PROPERTY(
        QStringList loadedCaptions READ loadedCaptions WRITE setLoadedCaptions NOTIFY textsChanged)
    Q_PROPERTY(
        QStringList matrixStrings READ matrixStrings WRITE setMatrixStrings NOTIFY textsChanged)
    Q_PROPERTY(QStringList keyNames READ keyNames WRITE setKeyNames NOTIFY textsChanged)
    // What each position holds, in words; what each function is called.
    Q_PROPERTY(QStringList entryTexts READ entryTexts NOTIFY textsChanged)
    Q_PROPERTY(QStringList functionTexts READ functionTexts NOTIFY textsChanged)
    // Per position: its function list ([{text, fn}]: no weapon keys in office
    // mode, no macro without a macro slot), where its own function sits in
    // that list (-1: not listed) and what the closed list shows.
    Q_PROPERTY(QVariantList functionModels READ functionModels NOTIFY functionListsChanged)
    Q_PROPERTY(QVariantList functionIndexes READ functionIndexes NOTIFY textsChanged)
    Q_PROPERTY(QStringList functionCaptions READ functionCaptions NOTIFY textsChanged)
    Q_PROPERTY(QStringList builtInKeyNames READ builtInKeyNames CONSTANT)
    // How the next macro binding plays (0 once per press, 1 loop until any
    // button, 2 loop until release): the macro editor and the macro overlay
    // show and set the same choice.
    Q_PROPERTY(int playMode READ playMode WRITE setPlayMode NOTIFY playModeChanged)

public:
    using Entry = AssignmentTable::Entry;
    using Matrix = QList<Entry>;

    // periods: the recoil slots whose fire periods go with the matrix.
    KeyMatrixModel(Operations &ops, RecoilModel &periods, QObject *parent = nullptr);
    static KeyMatrixModel *create(QQmlEngine *, QJSEngine *);

    // The rules, for every caller.
    static bool holdsLeft(const Entry &entry);
    // Whether `index` is the only labelled position of `matrix` with the left click.
    static bool soleLeftHolder(const Matrix &matrix, int index);
    // The left click stays: the first button takes no other mouse button and
    // no macro, and no change may take the left click from its last holder.
    static bool refuses(const Matrix &matrix, int index, const Entry &entry);
    // Whether a labelled position of `matrix` holds the left click.
    static bool hasLeftClick(const Matrix &matrix);
    // What guardLeftClick found in a profile: a left click in both matrices,
    // button 1 given the left click again, or no left click and a file that
    // could not be written (it keeps what it had).
    enum class LeftClick { Held, Restored, NotStored };
    // A profile about to be used must not leave the mouse without a left
    // click: a matrix (office or game) in which no button holds it gets
    // button 1's entry from the profile defaults again (the left click
    // itself when the defaults lack it too), written to the profile's file
    // at once, so that what is sent afterwards is what is stored.
    static LeftClick guardLeftClick(SettingsStore *store, int profile);
    // The line the window shows (and kesta-ctl prints) about the guard's
    // outcome for a profile; empty for Held.
    static QString leftClickNotice(LeftClick outcome, const QString &profileName);
    static QString macroGroup(int mode);
    // The mode a profile stores under mouse/mouseMode: anything but 0 plays
    // the game matrix, as the mouse is sent it.
    static int modeOf(const QVariant &stored);
    // Sends macro `name` of the library to a slot of the mouse; false when the
    // library has no such macro (or no mouse was attached).
    static bool sendMacro(MacroLibrary *library, const QString &name, int slot);

    int mode() const { return m_mode; }
    bool isLoaded() const { return m_loaded; }
    const Matrix &matrix(int mode) const { return mode == 1 ? m_game : m_office; }
    // A matrix as the device settings take it: entry n at items 4n..4n+3.
    QVariantList flatMatrix(int mode) const;
    // A button bound to a macro of the library: its slot and the macro's name.
    struct Binding {
        int slot;
        QString name;
    };
    // The macros the buttons of `mode` play, one per slot.
    QList<Binding> boundMacros(int mode) const;
    QVariantList entryList() const;
    QStringList labels() const;
    int keyCount() const { return m_keyCount; }
    void setKeyCount(int count);
    QVariantList visibleIndexes() const;
    QStringList captions() const { return m_captions; }
    void setCaptions(const QStringList &texts);
    QStringList loadedCaptions() const { return m_loadedCaptions; }
    void setLoadedCaptions(const QStringList &texts);
    QStringList matrixStrings() const { return m_matrixStrings; }
    void setMatrixStrings(const QStringList &texts);
    QStringList keyNames() const;
    void setKeyNames(const QStringList &names);
    QStringList entryTexts() const;
    QStringList functionTexts() const;
    QVariantList functionModels() const;
    QVariantList functionIndexes() const;
    QStringList functionCaptions() const;
    QStringList builtInKeyNames() const;
    int playMode() const { return m_playMode; }
    void setPlayMode(int mode); // other values are ignored

    // ---- Protocol of the root's flows
    Q_INVOKABLE void init(bool isSendData, bool isRecovery);
    // The mode stored in the profile in use, as init's callers apply it.
    int storedMode() const;
    // Stores both matrices and sends them; false (nothing sent) when the
    // profile file could not be written.
    Q_INVOKABLE bool saveData(bool isSendData = true);
    // The two halves of saveData, for callers that check each: storeData
    // writes the mode and both matrices (false when the file was not
    // written, or nothing is loaded); sendData sends the matrix in use with
    // the fire periods.
    bool storeData();
    void sendData();
    Q_INVOKABLE void initMode(int mode);
    Q_INVOKABLE void resetKeys();
    // [{slot, name}] of every button of the shown matrix bound to a macro.
    Q_INVOKABLE QVariantList macroSlots() const;
    // The macro `name` left the library: every button bound to it gets back
    // what it had before, and the matrices are saved.
    Q_INVOKABLE void releaseMacro(const QString &name);
    Q_INVOKABLE void refreshTexts();
    // Every macro the shown matrix binds goes to its slot, so a button never
    // plays a macro of another profile.
    Q_INVOKABLE void sendBoundMacros();
    // The library changed a macro's steps: the slots bound to it get it again.
    Q_INVOKABLE void resendMacro(const QString &name);
    // A macro was renamed in the library: bindings of both modes follow it.
    Q_INVOKABLE void renameMacro(const QString &oldName, const QString &newName);

    // ---- Editing
    Q_INVOKABLE QVariantList entryOf(int index) const;
    Q_INVOKABLE QString labelOf(int index) const;
    // The button's number as the user counts it: its label's place.
    Q_INVOKABLE int numberOf(int index) const;
    Q_INVOKABLE QString textOf(int index) const;
    Q_INVOKABLE QString keyName(int code) const;
    Q_INVOKABLE QString macroName(int mode, int slot) const;
    Q_INVOKABLE bool isSoleLeftHolder(int index) const;
    // Gives button `index` the entry; false (leftButtonKept) when refused.
    Q_INVOKABLE bool assign(int index, const QVariant &entry);
    bool assignEntry(int index, const Entry &entry);
    // Binds macro `name` to button `index` (its own slot) with a play mode,
    // stores the name and sends the macro to the slot.
    Q_INVOKABLE bool bindMacro(int index, const QString &name, int playMode);
    // bindMacro without sending the macro: the caller sends it when the
    // binding is stored.
    bool bindMacroUnsent(int index, const QString &name, int playMode);
    // A function of the list was chosen for button `index`: applied at once,
    // or openRequested names the overlay that finishes it.
    Q_INVOKABLE void chooseFunction(int index, int fn);
    // The picture asks to edit a button: the sole left-click holder stays.
    Q_INVOKABLE void openAssignment(int index);
    // The function list of a button ([{text, fn}]), where the button's own
    // function sits in it (-1: not listed), and what the list shows.
    Q_INVOKABLE QVariantList functionModel(int index) const;
    Q_INVOKABLE int functionIndex(int index) const;
    Q_INVOKABLE QString functionCaption(int index) const;

signals:
    void modeChanged();
    void loadedChanged();
    void entriesChanged();
    void keyCountChanged();
    void textsChanged();
    void functionListsChanged();
    void playModeChanged();
    // A change was refused: it would take the left click away.
    void leftButtonKept();
    // The overlays that finish a choice: the DPI switch, a macro, a key
    // combination, or the assignment overlay on `group` ("": the group of
    // the button's own entry).
    void dpiAssignRequested(int index);
    void macroAssignRequested(int index);
    void combinationRequested(int index);
    void assignmentRequested(int index, const QString &group);

private:
    void setEntry(int index, const Entry &entry);
    Matrix &active() { return m_mode == 1 ? m_game : m_office; }
    QList<int> labelOrder() const;
    Entry loadEntry(int mode, int index, bool isRecovery) const;
    QStringList makeFunctionTexts() const;
    QVariantList makeFunctionModel(int index, const QStringList &texts) const;

    // The function lists, built once for all sixteen positions when first
    // read and dropped whenever a signal says their inputs changed: the page
    // reads them per row after every change.
    struct FunctionLists {
        QStringList texts;
        QVariantList models;
        QVariantList indexes;
        QStringList captions;
    };
    const FunctionLists &functionLists() const;
    mutable std::optional<FunctionLists> m_functionLists;

    RecoilModel &m_periods;
    int m_mode = 0;
    bool m_loaded = false;
    Matrix m_office = Matrix(16, Entry{0, 0, 0, 0});
    Matrix m_game = Matrix(16, Entry{0, 0, 0, 0});
    Matrix m_savedOffice = m_office;
    Matrix m_savedGame = m_game;
    // What a macro binding replaced ("mode/index"), given back when the
    // macro is deleted from the library.
    QHash<QString, Entry> m_beforeMacro;
    int m_keyCount = 0;
    int m_playMode = 0;
    QStringList m_captions;
    QStringList m_loadedCaptions;
    QStringList m_matrixStrings;
    QStringList m_keyNames;
};
