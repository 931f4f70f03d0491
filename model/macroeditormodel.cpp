#include "model/macroeditormodel.h"

#include "devicesettings/keynames.h"
#include "macro/macrolibrary.h"
#include "macro/macropaths.h"
#include "model/macrostepsmodel.h"
#include "model/macrotreemodel.h"
#include "model/models.h"

#include <limits>

MacroEditorModel::MacroEditorModel(Operations &ops, MacroTreeModel &tree, MacroStepsModel &steps,
                                   QObject *parent)
    : PageModel(ops, parent), m_tree(tree), m_steps(steps)
{
    // Only refreshes what is shown: a busy event loop runs the timer late,
    // so the count itself is read off the clock.
    m_tickTimer.setInterval(kTickMs);
    connect(&m_tickTimer, &QTimer::timeout, this, [this] {
        const int ticks = int(qMin<qint64>((m_clock.elapsed() - m_lastArrival) / kTickMs,
                                           std::numeric_limits<int>::max()));
        if (ticks == m_ticks)
            return;
        m_ticks = ticks;
        emit ticksChanged();
    });
    m_clock.start();
    // Another item (or none) selected: its steps, no step chosen.
    connect(&m_tree, &MacroTreeModel::selectedItemChanged, this, [this] {
        m_steps.load(m_tree.currentLevel(), m_tree.currentName(), m_tree.currentType());
        m_unsaved = false;
        setCurrentStep(-1);
        setRecordingFull(false);
    });
    connect(&m_tree, &MacroTreeModel::macroDeleted, this, [this](const QString &name) {
        m_steps.clear();
        m_unsaved = false;
        emit macroDeleted(name);
    });
    connect(&m_tree, &MacroTreeModel::macroRenamed, this, &MacroEditorModel::macroRenamed);
    connect(&m_tree, &MacroTreeModel::selectionChanged, this, &MacroEditorModel::canAddChanged);
    connect(&m_steps, &MacroStepsModel::stepsChanged, this, &MacroEditorModel::canAddChanged);
}

MacroEditorModel *MacroEditorModel::create(QQmlEngine *, QJSEngine *)
{
    Models *models = Models::instance();
    return Models::expose(models ? models->macroEditor() : nullptr);
}

void MacroEditorModel::setCurrentStep(int step)
{
    if (step == m_currentStep)
        return;
    m_currentStep = step;
    emit currentStepChanged();
}

void MacroEditorModel::setDelayEnabled(bool on)
{
    if (on == m_delayEnabled)
        return;
    m_delayEnabled = on;
    emit delayEnabledChanged();
}

void MacroEditorModel::setRecordingFull(bool full)
{
    if (full == m_recordingFull)
        return;
    m_recordingFull = full;
    emit recordingFullChanged();
}

void MacroEditorModel::setVisibleRow(int row)
{
    if (row == m_visibleRow)
        return;
    m_visibleRow = row;
    emit visibleRowChanged();
}

bool MacroEditorModel::canAdd() const
{
    return m_tree.currentType() == 0 && !m_steps.isFull();
}

bool MacroEditorModel::isAcceptableName(const QString &name)
{
    return MacroPaths::isSafeName(name);
}

QString MacroEditorModel::keyName(int code) const
{
    const qsizetype i = m_keyCodes.indexOf(code);
    return i >= 0 && i < m_keyNames.size() ? m_keyNames.at(i) : QString();
}

QString MacroEditorModel::displayName(const QString &name, const QStringList &shown) const
{
    const qsizetype i = m_keyNames.indexOf(name);
    return i >= 0 && i < shown.size() && !shown.at(i).isEmpty() ? shown.at(i) : name;
}

int MacroEditorModel::warningFor(int outcome)
{
    switch (outcome) {
    case MacroTreeModel::NameInFolder:
        return SameName;
    case MacroTreeModel::NameElsewhere:
        return NameElsewhere;
    case MacroTreeModel::FolderTooDeep:
        return FolderRefused;
    case MacroTreeModel::ListsShared:
        return ListsShared;
    case MacroTreeModel::ReservedName:
        return ReservedName;
    default:
        return -1;
    }
}

bool MacroEditorModel::warn(int outcome)
{
    const int shown = warningFor(outcome);
    if (shown >= 0)
        emit warningRequested(
            shown, outcome == MacroTreeModel::ListsShared ? m_tree.listsSharedWith() : QString());
    return outcome == MacroTreeModel::Done;
}

void MacroEditorModel::init()
{
    stopRecordingAndStore();
    m_keyNames = KeyNames::names();
    m_keyCodes = KeyNames::codes();
    MacroLibrary *lib = macros();
    m_captureMode = lib ? lib->inputCaptureMode() : QString();
    if (m_loaded)
        emit aboutToReload();
    m_tree.load();
    if (m_loaded)
        emit reloaded();
    m_loaded = true;
    emit tableChanged();
    const QString shared = m_tree.sharedListSets().join(QStringLiteral("; "));
    if (shared != m_sharedReported) {
        m_sharedReported = shared;
        if (!shared.isEmpty())
            emit warningRequested(SharedListsFound, shared);
    }
}

// ---- Tree ----

void MacroEditorModel::select(const QModelIndex &index)
{
    stopRecordingAndStore();
    m_tree.select(index);
}

void MacroEditorModel::clearSelection()
{
    stopRecordingAndStore();
    m_tree.clearSelection();
}

bool MacroEditorModel::selectByNames(const QString &chain)
{
    const QModelIndex index = m_tree.indexOf(chain.split(QLatin1Char('/')));
    if (!index.isValid())
        return false;
    emit revealRequested(index);
    select(index);
    return true;
}

void MacroEditorModel::askNewMacro()
{
    emit nameRequested(NewMacro, QString());
}

void MacroEditorModel::askNewFolder()
{
    if (m_tree.currentType() == 1 &&
        m_tree.currentLevel() >= MacroTreeModel::kDeepestFolderWithChildren)
        warn(MacroTreeModel::FolderTooDeep);
    else
        emit nameRequested(NewFolder, QString());
}

void MacroEditorModel::askRename()
{
    if (m_tree.currentLevel() >= 0)
        emit nameRequested(Rename, m_tree.currentName());
}

void MacroEditorModel::askDelete()
{
    if (m_tree.currentLevel() >= 0)
        emit confirmRequested(DeleteItem);
}

bool MacroEditorModel::nameGiven(int request, const QString &name)
{
    switch (request) {
    case NewMacro:
        return newMacro(name);
    case NewFolder:
        return newFolder(name);
    case Rename:
        return renameSelected(name);
    default:
        return false;
    }
}

void MacroEditorModel::confirmed(int request)
{
    if (request == DeleteItem)
        deleteSelected();
    else if (request == DeleteStep)
        deleteStep();
}

bool MacroEditorModel::newMacro(const QString &name)
{
    return createItem(name, 0);
}

bool MacroEditorModel::newFolder(const QString &name)
{
    return createItem(name, 1);
}

bool MacroEditorModel::createItem(const QString &name, int type)
{
    if (!isAcceptableName(name))
        return false;
    const int check = m_tree.checkNewName(name, type);
    if (check != MacroTreeModel::Done)
        return warn(check);
    stopRecordingAndStore();
    const int outcome = m_tree.createItem(name, type, qMax(m_visibleRow, 0));
    // A refused write says which item it was; the tree has not listed it.
    if (outcome == MacroTreeModel::NotWritten) {
        emit warningRequested(NotWritten, name);
        return false;
    }
    if (!warn(outcome))
        return false;
    emit expandRequested();
    return true;
}

bool MacroEditorModel::renameSelected(const QString &name)
{
    if (m_tree.currentLevel() < 0 || name == m_tree.currentName() || !isAcceptableName(name))
        return false;
    stopRecordingAndStore();
    const int outcome = m_tree.renameSelected(name);
    // The tree and the disk kept the old name; the warning names the item.
    if (outcome == MacroTreeModel::NotWritten) {
        emit warningRequested(NotWritten, m_tree.currentName());
        return false;
    }
    return warn(outcome);
}

bool MacroEditorModel::deleteSelected()
{
    if (m_tree.currentLevel() < 0)
        return false;
    stopRecording();
    return m_tree.deleteSelected();
}

void MacroEditorModel::importMacro()
{
    stopRecordingAndStore();
    const int outcome = m_tree.importMacro();
    if (warn(outcome))
        emit expandRequested();
    autosave();
}

void MacroEditorModel::exportMacro()
{
    MacroLibrary *lib = macros();
    if (m_tree.currentType() != 0 || !lib)
        return;
    m_tree.applySelectionPath();
    lib->saveMacroFile(m_tree.currentLevel(), m_tree.currentName());
}

bool MacroEditorModel::batchImport()
{
    stopRecordingAndStore();
    const int outcome = m_tree.batchImport();
    MacroLibrary *lib = macros();
    const QStringList refused = lib ? lib->refusedMacroNames() : QStringList();
    if (outcome == MacroTreeModel::Done && !refused.isEmpty())
        emit warningRequested(ImportRefused, refused.join(QStringLiteral(", ")));
    return warn(outcome);
}

void MacroEditorModel::batchExport()
{
    m_tree.batchExport();
}

QVariantList MacroEditorModel::macroList()
{
    QVariantList out;
    const QVariantList items = macroTree();
    for (const QVariant &v : items) {
        const QVariantMap item = v.toMap();
        if (item.value(QStringLiteral("type")).toInt() != 0)
            continue;
        QStringList path = item.value(QStringLiteral("path")).toStringList();
        if (!path.isEmpty())
            path.removeLast();
        out.append(QVariantMap{{QStringLiteral("name"), item.value(QStringLiteral("name"))},
                               {QStringLiteral("level"), item.value(QStringLiteral("level"))},
                               {QStringLiteral("folder"), path.join(QLatin1Char('/'))}});
    }
    return out;
}

QVariantList MacroEditorModel::macroTree()
{
    if (!m_loaded)
        init();
    return m_tree.items();
}

// ---- Steps ----

bool MacroEditorModel::autosave()
{
    if (m_tree.currentLevel() < 0 || m_tree.currentType() != 0)
        return false;
    m_tree.applySelectionPath();
    ++m_storeAttempts;
    // The buttons bound to the macro play its file: nothing to tell them
    // while the file still holds the old steps.
    m_unsaved = !m_steps.save(m_tree.currentLevel(), m_tree.currentName());
    if (m_unsaved) {
        emit warningRequested(NotWritten, m_tree.currentName());
        return false;
    }
    emit macroDataChanged(m_tree.currentName());
    return true;
}

void MacroEditorModel::stopRecordingAndStore()
{
    const int attempts = m_storeAttempts;
    stopRecording();
    // A Stop that has just tried (and warned) is not tried twice.
    if (m_unsaved && m_storeAttempts == attempts)
        autosave();
}

void MacroEditorModel::setRepeat(const QString &text)
{
    m_steps.setRepeat(text);
    autosave();
}

bool MacroEditorModel::setDelay(int index, const QString &text)
{
    if (!m_steps.setDelay(index, text))
        return false;
    autosave();
    return true;
}

void MacroEditorModel::insertDelay()
{
    const int count = m_steps.rowCount();
    const int at = m_currentStep >= 0 && m_currentStep < count ? m_currentStep : count;
    if (!canAdd() || !m_steps.insertDelay(at))
        return;
    setCurrentStep(at);
    autosave();
}

void MacroEditorModel::insertKey(int code)
{
    if (code < kFirstButtonCode && canAdd() &&
        m_steps.insertPair(m_currentStep, keyName(code), false))
        autosave();
}

void MacroEditorModel::insertButton(const QString &name)
{
    if (canAdd() && m_steps.insertPair(m_currentStep, name, true))
        autosave();
}

void MacroEditorModel::askDeleteStep()
{
    if (m_currentStep >= 0 && m_currentStep < m_steps.rowCount())
        emit confirmRequested(DeleteStep);
}

void MacroEditorModel::deleteStep()
{
    if (!m_steps.removeStep(m_currentStep))
        return;
    setCurrentStep(qMin(m_currentStep, m_steps.rowCount() - 1));
    autosave();
}

void MacroEditorModel::askInsertKey()
{
    if (!canAdd())
        return;
    m_capturing = true;
    m_capturedCode = -1;
    m_capturedName.clear();
    emit captureChanged();
    emit keyRequested();
}

void MacroEditorModel::acceptCapturedKey()
{
    if (!m_capturing || m_capturedCode < 0)
        return;
    const int code = m_capturedCode;
    cancelCapture();
    insertKey(code);
}

void MacroEditorModel::cancelCapture()
{
    if (!m_capturing)
        return;
    m_capturing = false;
    emit captureChanged();
}

// ---- Recording ----

void MacroEditorModel::toggleRecording()
{
    if (m_recording)
        stopRecording();
    else
        startRecording();
}

void MacroEditorModel::startRecording()
{
    if (m_recording || m_tree.currentType() != 0 || m_tree.currentLevel() < 0)
        return;
    m_stepsBefore = m_steps.stepStrings();
    m_captured = false;
    m_steps.clear();
    setCurrentStep(-1);
    setRecordingFull(false);
    // A pause before the first event is never stored: the start only
    // sets the clock going for what is shown.
    m_lastStamp = -1;
    m_lastArrival = m_clock.elapsed();
    m_ticks = 0;
    emit ticksChanged();
    m_recording = true;
    m_tickTimer.start();
    emit recordingChanged();
}

void MacroEditorModel::stopRecording()
{
    m_tickTimer.stop();
    if (!m_recording)
        return;
    m_recording = false;
    emit recordingChanged();
    // Nothing captured: the macro keeps what it had, and its file and the
    // buttons bound to it stay as they are.
    if (!m_captured) {
        m_steps.setStepStrings(m_stepsBefore);
        return;
    }
    // Keys still held at Stop are released in the macro too.
    m_steps.releaseHeld();
    autosave();
}

void MacroEditorModel::keyEvent(bool isDown, int code, double time)
{
    if (m_capturing && m_tree.currentLevel() >= 0) {
        const QString name = keyName(code);
        if (isDown && code < kFirstButtonCode && !name.isEmpty()) {
            m_capturedCode = code;
            m_capturedName = name;
            emit captureChanged();
        }
        return;
    }
    record(isDown, code, qint64(time));
}

void MacroEditorModel::mouseEvent(bool isDown, int code, bool inside, double time)
{
    if (!(m_capturing && m_tree.currentLevel() >= 0) && !inside)
        record(isDown, code, qint64(time));
}

int MacroEditorModel::pauseMs(qint64 previousStamp, qint64 stamp, qint64 previousArrival,
                              qint64 arrival)
{
    // Stamps wrap at 2^32 ms; the difference modulo 2^32 stays right.
    const qint64 ms = previousStamp >= 0 && stamp >= 0
                          ? qint64(quint32(quint64(stamp) - quint64(previousStamp)))
                          : qMax<qint64>(arrival - previousArrival, 0);
    // Counted in whole 10 ms, as a 10 ms tick counter counts them.
    return int(qMin<qint64>(ms / kTickMs * kTickMs, std::numeric_limits<int>::max() / 2));
}

void MacroEditorModel::record(bool isDown, int code, qint64 stamp)
{
    const QString name = keyName(code);
    if (!m_recording || name.isEmpty())
        return;
    const qint64 arrival = m_clock.elapsed();
    const int pause = m_delayEnabled ? pauseMs(m_lastStamp, stamp, m_lastArrival, arrival) : -1;
    m_lastStamp = stamp;
    m_lastArrival = arrival;
    m_ticks = 0;
    emit ticksChanged();
    m_captured = true;
    // A full macro ends the recording, after its last complete release.
    if (!m_steps.record(isDown, name, code >= kFirstButtonCode, pause)) {
        setRecordingFull(true);
        stopRecording();
    }
}
