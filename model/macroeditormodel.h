// The macro editor's flow over the library tree (MacroTreeModel) and the
// steps of the selected macro (MacroStepsModel): which name a new or renamed
// item may take, which outcome the user is warned about, the step chosen in
// the list, the step commands (each saved at once), recording from captured
// key and button events, and the key a capture accepts. The scene shows the
// dialogs this model asks for and hands back what the user chose.
#pragma once

#include "model/pagemodel.h"

#include <QElapsedTimer>
#include <QModelIndex>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class MacroTreeModel;
class MacroStepsModel;
class QQmlEngine;
class QJSEngine;

class MacroEditorModel : public PageModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The step chosen in the list, -1 for none.
    Q_PROPERTY(int currentStep READ currentStep WRITE setCurrentStep NOTIFY currentStepChanged)
    Q_PROPERTY(bool recording READ recording NOTIFY recordingChanged)
    // The last recording of the selected macro stopped because the macro
    // was full (the editor says so until the next recording or selection).
    Q_PROPERTY(bool recordingFull READ recordingFull NOTIFY recordingFullChanged)
    // Whole 10 ms since the last recorded event (or the start), as shown
    // while recording; the pauses stored are measured on the events' own
    // time stamps, not on this.
    Q_PROPERTY(int ticks READ ticks NOTIFY ticksChanged)
    // The "Delay" check box: recording keeps the pauses.
    Q_PROPERTY(bool delayEnabled READ delayEnabled WRITE setDelayEnabled NOTIFY delayEnabledChanged)
    // A macro is selected and its steps still have room.
    Q_PROPERTY(bool canAdd READ canAdd NOTIFY canAddChanged)
    // The key dialog is open: the next key press goes to it.
    Q_PROPERTY(bool capturingKey READ capturingKey NOTIFY captureChanged)
    Q_PROPERTY(int capturedCode READ capturedCode NOTIFY captureChanged)
    Q_PROPERTY(QString capturedName READ capturedName NOTIFY captureChanged)
    // The key-name table (names as stored, their codes; table order) and how
    // keys reach recording: "global", "window" or "" (none). Read by init().
    Q_PROPERTY(QStringList keyNames READ keyNames NOTIFY tableChanged)
    Q_PROPERTY(QString captureMode READ captureMode NOTIFY tableChanged)
    // The visible row of the selected item in the tree view, -1 when it is
    // hidden or none is; written into a new macro's file.
    Q_PROPERTY(int visibleRow READ visibleRow WRITE setVisibleRow NOTIFY visibleRowChanged)
    // init() has read the tree once.
    Q_PROPERTY(bool loaded READ loaded NOTIFY tableChanged)

public:
    // What a name dialog was opened for.
    enum NameRequest { NewMacro, NewFolder, Rename };
    Q_ENUM(NameRequest)
    // What a confirmation was asked for.
    enum ConfirmRequest { DeleteItem, DeleteStep };
    Q_ENUM(ConfirmRequest)
    // The entries of the "warningAssigment" texts the editor shows.
    enum Warning {
        SameName = 1,
        FolderRefused = 2,
        ConfirmDelete = 3,
        NameElsewhere = 10,
        ImportRefused = 11,
        NotWritten = 12,
        ListsShared = 13, // detail: the folder whose items it would share
        ReservedName = 14,
        SharedListsFound = 15 // detail: the folders that share, on loading
    };
    Q_ENUM(Warning)

    static constexpr int kFirstButtonCode = 0xF0;
    static constexpr int kTickMs = 10;

    MacroEditorModel(Operations &ops, MacroTreeModel &tree, MacroStepsModel &steps,
                     QObject *parent = nullptr);

    static MacroEditorModel *create(QQmlEngine *, QJSEngine *);

    int currentStep() const { return m_currentStep; }
    void setCurrentStep(int step);
    bool recording() const { return m_recording; }
    bool recordingFull() const { return m_recordingFull; }
    int ticks() const { return m_ticks; }
    bool delayEnabled() const { return m_delayEnabled; }
    void setDelayEnabled(bool on);
    bool canAdd() const;
    bool capturingKey() const { return m_capturing; }
    int capturedCode() const { return m_capturedCode; }
    QString capturedName() const { return m_capturedName; }
    QStringList keyNames() const { return m_keyNames; }
    QString captureMode() const { return m_captureMode; }

    // A name is one path component (the library's rule): not empty, ".",
    // "..", and without "/", "\" or NUL.
    Q_INVOKABLE static bool isAcceptableName(const QString &name);
    // The stored name of key `code`; empty for a code the table lacks.
    Q_INVOKABLE QString keyName(int code) const;
    // A stored key name as shown: `shown` is the table's names in the
    // user's language (same order); an empty or missing entry keeps `name`.
    Q_INVOKABLE QString displayName(const QString &name, const QStringList &shown) const;
    // The warning entry a tree outcome is shown with; -1 for none.
    Q_INVOKABLE static int warningFor(int outcome);

    // Ends a recording, reads the key table and the whole tree again. Folders
    // that share a list set are named once (again only when that changes);
    // nothing of them is changed.
    Q_INVOKABLE void init();
    bool loaded() const { return m_loaded; }
    int visibleRow() const { return m_visibleRow; }
    void setVisibleRow(int row);

    // ---- Tree ----
    Q_INVOKABLE void select(const QModelIndex &index);
    Q_INVOKABLE void clearSelection();
    // Selects an item by its chain of names ("Folder/Sub/Macro").
    Q_INVOKABLE bool selectByNames(const QString &chain);
    // Ask for a name (nameRequested) or for a confirmation, or warn.
    Q_INVOKABLE void askNewMacro();
    Q_INVOKABLE void askNewFolder();
    Q_INVOKABLE void askRename();
    Q_INVOKABLE void askDelete();
    // The name dialog's answer to a request.
    Q_INVOKABLE bool nameGiven(int request, const QString &name);
    // The confirmation dialog's answer.
    Q_INVOKABLE void confirmed(int request);
    Q_INVOKABLE bool newMacro(const QString &name);
    Q_INVOKABLE bool newFolder(const QString &name);
    Q_INVOKABLE bool renameSelected(const QString &name);
    Q_INVOKABLE bool deleteSelected();
    Q_INVOKABLE void importMacro();
    Q_INVOKABLE void exportMacro();
    // A batch import always lands at the library root (that is where the
    // library copies the files), so the tree puts it there too.
    Q_INVOKABLE bool batchImport();
    Q_INVOKABLE void batchExport();

    // Every macro of the library in tree order: {name, level, folder} where
    // folder is the chain of folder names ("A/B", "" at the root).
    Q_INVOKABLE QVariantList macroList();
    // The whole tree in display order (see MacroTreeModel::items()).
    Q_INVOKABLE QVariantList macroTree();

    // ---- Steps ----
    // Stores the selected macro's steps and tells the buttons bound to it.
    // Steps the library could not write (full disk, a name the file system
    // refuses) stay in the editor, unsaved, with the NotWritten warning;
    // the next store (an edit, a Stop, choosing another item) tries again.
    Q_INVOKABLE bool autosave();
    // The steps shown have not reached the macro's file.
    bool unsaved() const { return m_unsaved; }
    Q_INVOKABLE void setRepeat(const QString &text);
    Q_INVOKABLE bool setDelay(int index, const QString &text);
    Q_INVOKABLE void insertDelay();
    Q_INVOKABLE void insertKey(int code);
    // A press and a release of a mouse button ("MS-L", "MS-M", "MS-R").
    Q_INVOKABLE void insertButton(const QString &name);
    Q_INVOKABLE void askDeleteStep();
    Q_INVOKABLE void deleteStep();
    // Opens the key dialog (keyRequested); its OK hands the key over.
    Q_INVOKABLE void askInsertKey();
    Q_INVOKABLE void acceptCapturedKey();
    Q_INVOKABLE void cancelCapture();

    // ---- Recording ----
    Q_INVOKABLE void toggleRecording();
    Q_INVOKABLE void startRecording();
    // Ends a recording and saves what it captured; a recording that captured
    // nothing gives the macro back its steps and saves (and sends) nothing.
    Q_INVOKABLE void stopRecording();
    // A captured key event; a key press is the key dialog's while it is open.
    // `time` is the event's time stamp in ms on the capture's clock (wrapping
    // at 2^32, as X server and system times do), -1 when the capture gave
    // none: the pause before it is then measured from its arrival here.
    Q_INVOKABLE void keyEvent(bool isDown, int code, double time = -1);
    // A captured button event; `inside` says it went to our own window (a
    // click that operates the page, never recorded).
    Q_INVOKABLE void mouseEvent(bool isDown, int code, bool inside, double time = -1);

    // The pause between two captured events as recording stores it: whole
    // 10 ms, from the time stamps when both have one, else from arrival.
    static int pauseMs(qint64 previousStamp, qint64 stamp, qint64 previousArrival, qint64 arrival);

signals:
    void currentStepChanged();
    void recordingChanged();
    void recordingFullChanged();
    void ticksChanged();
    void delayEnabledChanged();
    void canAddChanged();
    void captureChanged();
    void tableChanged();
    void visibleRowChanged();
    // For the scene: a dialog to show, or a warning (index into the
    // "warningAssigment" texts, with `detail` appended after a space).
    void nameRequested(int request, const QString &text);
    void confirmRequested(int request);
    void keyRequested();
    void warningRequested(int index, const QString &detail);
    // The tree view shows the item (folders above it open) or opens the
    // selected folder; it gives its open folders' chains before a new read
    // (aboutToReload) and opens them again after (reloaded).
    void revealRequested(const QModelIndex &index);
    void expandRequested();
    void aboutToReload();
    void reloaded();
    // For the buttons bound to macros.
    void macroDeleted(const QString &name);
    void macroRenamed(int level, int type, const QString &oldName, const QString &newName);
    void macroDataChanged(const QString &name);

private:
    bool warn(int outcome);
    // Before the selection leaves the macro: ends a recording, and unsaved
    // steps are tried once more (and warned about again when they still
    // cannot be written).
    void stopRecordingAndStore();
    bool createItem(const QString &name, int type);
    void record(bool isDown, int code, qint64 stamp);
    void setRecordingFull(bool full);

    MacroTreeModel &m_tree;
    MacroStepsModel &m_steps;
    QTimer m_tickTimer;
    // Arrival times (ms) of captured events; the stamp and arrival of the
    // last recorded one (or of the start).
    QElapsedTimer m_clock;
    qint64 m_lastStamp = -1;
    qint64 m_lastArrival = 0;
    // The steps the macro had when the recording started.
    QStringList m_stepsBefore;
    bool m_captured = false;
    QStringList m_keyNames;
    QList<int> m_keyCodes;
    QString m_captureMode;
    QString m_capturedName;
    int m_currentStep = -1;
    int m_ticks = 0;
    int m_visibleRow = -1;
    int m_capturedCode = -1;
    bool m_recording = false;
    bool m_recordingFull = false;
    bool m_delayEnabled = false;
    bool m_capturing = false;
    bool m_loaded = false;
    bool m_unsaved = false;
    int m_storeAttempts = 0;
    QString m_sharedReported; // what the last load reported of shared list sets
};
