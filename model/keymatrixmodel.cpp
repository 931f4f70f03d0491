#include "model/keymatrixmodel.h"

#include "devicesettings/buttonlabels.h"
#include "model/interfacetexts.h"
#include "devicesettings/devicesettings.h"
#include "devicesettings/keynames.h"
#include "macro/macrolibrary.h"
#include "model/models.h"
#include "model/recoilmodel.h"
#include "settings/settingsstore.h"

#include <algorithm>

namespace {

const QVariantList &functionList()
{
    static const QVariantList list = AssignmentTable().functionList();
    return list;
}

QVariantList toList(const AssignmentTable::Entry &e)
{
    return {e[0], e[1], e[2], e[3]};
}

QString matrixKey(int mode, int index)
{
    return QLatin1String(mode == 1 ? "mouseKeyMatrix2/" : "mouseKeyMatrix/") +
           QString::number(index);
}

// An entry as a settings file holds it; what is missing or unreadable is 0,
// as the page reads it.
AssignmentTable::Entry storedEntry(const QSettings *file, int mode, int index)
{
    AssignmentTable::Entry e{0, 0, 0, 0};
    if (!file)
        return e;
    const QStringList items =
        SettingsStore::dropPadding(file->value(matrixKey(mode, index)).toStringList());
    for (int k = 0; k < 4 && k < items.size(); ++k)
        e[k] = items.at(k).trimmed().toInt();
    return e;
}

} // namespace

KeyMatrixModel::KeyMatrixModel(Operations &ops, RecoilModel &periods, QObject *parent)
    : PageModel(ops, parent), m_periods(periods)
{
    // Connected before any reader: the lists are rebuilt before they are read again.
    const auto drop = [this] { m_functionLists.reset(); };
    connect(this, &KeyMatrixModel::modeChanged, this, drop);
    connect(this, &KeyMatrixModel::entriesChanged, this, drop);
    connect(this, &KeyMatrixModel::textsChanged, this, drop);
    connect(this, &KeyMatrixModel::functionListsChanged, this, drop);
    connect(this, &KeyMatrixModel::keyCountChanged, this, drop);
}

KeyMatrixModel *KeyMatrixModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance() ? Models::instance()->keyMatrix() : nullptr);
}

// ---- Rules

bool KeyMatrixModel::holdsLeft(const Entry &entry)
{
    return entry[0] == 0 && entry[1] == 0 && entry[2] == 0xF0;
}

bool KeyMatrixModel::soleLeftHolder(const Matrix &matrix, int index)
{
    if (index < 0 || index >= matrix.size() || !holdsLeft(matrix.at(index)))
        return false;
    for (int j = 0; j < matrix.size(); ++j) {
        if (j != index && !ButtonLabels::label(j).isEmpty() && holdsLeft(matrix.at(j)))
            return false;
    }
    return true;
}

bool KeyMatrixModel::refuses(const Matrix &matrix, int index, const Entry &entry)
{
    const int type = entry[0];
    if (index == 0 &&
        ((type == 0 && entry[1] == 0 && entry[2] >= 0xF1 && entry[2] <= 0xF4) || type == 4))
        return true;
    return !holdsLeft(entry) && soleLeftHolder(matrix, index);
}

bool KeyMatrixModel::hasLeftClick(const Matrix &matrix)
{
    for (int j = 0; j < matrix.size(); ++j) {
        if (!ButtonLabels::label(j).isEmpty() && holdsLeft(matrix.at(j)))
            return true;
    }
    return false;
}

KeyMatrixModel::LeftClick KeyMatrixModel::guardLeftClick(SettingsStore *store, int profile)
{
    const QSettings *file = store ? store->profile(profile) : nullptr;
    if (!file)
        return LeftClick::Held;
    SettingsStore::WriteBatch batch(store);
    bool restored = false;
    for (int mode = 0; mode < 2; ++mode) {
        Matrix matrix(16);
        for (int j = 0; j < 16; ++j)
            matrix[j] = storedEntry(file, mode, j);
        if (hasLeftClick(matrix))
            continue;
        Entry first = storedEntry(store->defaults(), mode, 0);
        if (!holdsLeft(first))
            first = Entry{0, 0, 0xF0, 0};
        store->setProfileDataList(profile, matrixKey(mode, 0), toList(first));
        restored = true;
    }
    if (!restored)
        return LeftClick::Held;
    return batch.commit() ? LeftClick::Restored : LeftClick::NotStored;
}

QString KeyMatrixModel::leftClickNotice(LeftClick outcome, const QString &profileName)
{
    switch (outcome) {
    case LeftClick::Held:
        break;
    case LeftClick::Restored:
        return InterfaceTexts::text(InterfaceTexts::LeftClickRestored).arg(profileName);
    case LeftClick::NotStored:
        return InterfaceTexts::text(InterfaceTexts::LeftClickNotStored).arg(profileName);
    }
    return QString();
}

QString KeyMatrixModel::macroGroup(int mode)
{
    return mode == 1 ? QStringLiteral("mouseMacroKey2") : QStringLiteral("mouseMacroKey");
}

int KeyMatrixModel::modeOf(const QVariant &stored)
{
    bool ok = false;
    const int mode = stored.toString().trimmed().toInt(&ok);
    return ok && mode != 0 ? 1 : 0;
}

bool KeyMatrixModel::sendMacro(MacroLibrary *library, const QString &name, int slot)
{
    QStringList steps = library ? library->loadMacroByName(name) : QStringList();
    if (steps.isEmpty())
        return false;
    // The last item is the repeat count; a count that reads as none plays once.
    const int repeat = steps.takeLast().trimmed().toInt();
    library->mouseSendMacroData(library->encodeMacro(steps, repeat != 0 ? repeat : 1), slot);
    return true;
}

// ---- State and texts

QVariantList KeyMatrixModel::entryList() const
{
    QVariantList out;
    for (const Entry &e : matrix(m_mode))
        out.append(QVariant(toList(e)));
    return out;
}

QVariantList KeyMatrixModel::flatMatrix(int mode) const
{
    QVariantList out;
    for (const Entry &e : matrix(mode)) {
        for (int v : e)
            out.append(v);
    }
    return out;
}

QList<KeyMatrixModel::Binding> KeyMatrixModel::boundMacros(int mode) const
{
    QList<Binding> found;
    for (const Entry &e : matrix(mode)) {
        const int slot = e[2];
        if (e[0] != 4 || slot < 0 || slot >= AssignmentTable::kMacroSlots)
            continue;
        if (std::any_of(found.cbegin(), found.cend(),
                        [slot](const Binding &b) { return b.slot == slot; }))
            continue;
        const QString name = macroName(mode, slot);
        if (!name.isEmpty())
            found.append({slot, name});
    }
    return found;
}

QStringList KeyMatrixModel::labels() const
{
    return ButtonLabels::labels();
}

QList<int> KeyMatrixModel::labelOrder() const
{
    QList<int> order;
    const QStringList all = labels();
    for (int j = 0; j < 16 && j < all.size(); ++j) {
        if (!all.at(j).isEmpty())
            order.append(j);
    }
    return order;
}

void KeyMatrixModel::setKeyCount(int count)
{
    if (count == m_keyCount)
        return;
    m_keyCount = count;
    emit keyCountChanged();
}

QVariantList KeyMatrixModel::visibleIndexes() const
{
    const QList<int> order = labelOrder();
    const int count = m_keyCount > 0 ? qMin(m_keyCount, int(order.size())) : int(order.size());
    QVariantList out;
    for (int i = 0; i < count; ++i)
        out.append(order.at(i));
    return out;
}

void KeyMatrixModel::setCaptions(const QStringList &texts)
{
    if (texts == m_captions)
        return;
    m_captions = texts;
    emit textsChanged();
    emit functionListsChanged();
}

void KeyMatrixModel::setLoadedCaptions(const QStringList &texts)
{
    if (texts == m_loadedCaptions)
        return;
    m_loadedCaptions = texts;
    emit textsChanged();
    emit functionListsChanged();
}

void KeyMatrixModel::setMatrixStrings(const QStringList &texts)
{
    if (texts == m_matrixStrings)
        return;
    m_matrixStrings = texts;
    emit textsChanged();
    emit functionListsChanged();
}

QStringList KeyMatrixModel::keyNames() const
{
    return m_keyNames.isEmpty() ? KeyNames::names() : m_keyNames;
}

void KeyMatrixModel::setKeyNames(const QStringList &names)
{
    if (names == m_keyNames)
        return;
    m_keyNames = names;
    emit textsChanged();
}

QString KeyMatrixModel::keyName(int code) const
{
    const int i = int(KeyNames::codes().indexOf(code));
    if (i < 0)
        return QStringLiteral("0x") + AssignmentTable::hexText(code);
    const QString name = m_keyNames.value(i);
    return name.isEmpty() ? KeyNames::names().value(i) : name;
}

QString KeyMatrixModel::macroName(int mode, int slot) const
{
    const QVariant v =
        store()->getData(macroGroup(mode) + QLatin1Char('/') + QString::number(slot), false);
    return v.isNull() ? QString() : v.toString();
}

QStringList KeyMatrixModel::entryTexts() const
{
    const QStringList captions =
        m_captions.isEmpty() ? AssignmentTable().captionDefaults() : m_captions;
    QStringList out;
    for (const Entry &e : matrix(m_mode)) {
        out.append(AssignmentTable::entryText(
            e, captions, [this](int code) { return keyName(code); },
            [this](int slot) { return macroName(m_mode, slot); }));
    }
    return out;
}

QStringList KeyMatrixModel::functionTexts() const
{
    return functionLists().texts;
}

QStringList KeyMatrixModel::makeFunctionTexts() const
{
    QStringList out;
    for (const QVariant &item : functionList()) {
        const QVariantMap f = item.toMap();
        QString text = f.value(QStringLiteral("text")).toString();
        const QVariant matrixCaption = f.value(QStringLiteral("matrixCaption"));
        const QVariant caption = f.value(QStringLiteral("caption"));
        if (matrixCaption.isValid() && !m_matrixStrings.value(matrixCaption.toInt()).isEmpty())
            text = m_matrixStrings.value(matrixCaption.toInt());
        else if (caption.isValid() && !m_loadedCaptions.value(caption.toInt()).isEmpty())
            text = m_loadedCaptions.value(caption.toInt());
        out.append(text);
    }
    return out;
}

QVariantList KeyMatrixModel::functionModels() const
{
    return functionLists().models;
}

QVariantList KeyMatrixModel::functionIndexes() const
{
    return functionLists().indexes;
}

QStringList KeyMatrixModel::functionCaptions() const
{
    return functionLists().captions;
}

const KeyMatrixModel::FunctionLists &KeyMatrixModel::functionLists() const
{
    if (m_functionLists)
        return *m_functionLists;
    FunctionLists lists;
    lists.texts = makeFunctionTexts();
    QStringList entryTexts; // only for positions whose entry no function stands for
    for (int j = 0; j < 16; ++j) {
        const QVariantList model = makeFunctionModel(j, lists.texts);
        const Entry &e = matrix(m_mode).at(j);
        const int fn = AssignmentTable::functionOf(e);
        int at = -1;
        for (int i = 0; fn >= 0 && i < model.size() && at < 0; ++i) {
            if (model.at(i).toMap().value(QStringLiteral("fn")).toInt() == fn)
                at = i;
        }
        QString caption;
        if (fn >= 0) {
            caption = lists.texts.value(fn);
        } else if (e[0] == 0) {
            caption = m_captions.value(1);
        } else {
            if (entryTexts.isEmpty())
                entryTexts = this->entryTexts();
            caption = entryTexts.value(j);
        }
        lists.models.append(QVariant(model));
        lists.indexes.append(at);
        lists.captions.append(caption);
    }
    m_functionLists = std::move(lists);
    return *m_functionLists;
}

QStringList KeyMatrixModel::builtInKeyNames() const
{
    return KeyNames::names();
}

void KeyMatrixModel::setPlayMode(int mode)
{
    if (mode < 0 || mode > 2 || mode == m_playMode)
        return;
    m_playMode = mode;
    emit playModeChanged();
}

// ---- Protocol

KeyMatrixModel::Entry KeyMatrixModel::loadEntry(int mode, int index, bool isRecovery) const
{
    Entry e{0, 0, 0, 0};
    if (!device())
        return e;
    const QVariantList items = device()->mouseGetKeydefine(mode, index, isRecovery);
    for (int k = 0; k < 4 && k < items.size(); ++k)
        e[k] = items.at(k).toString().trimmed().toInt();
    // The mouse gets each item as one byte: an entry with an item beyond a
    // byte would be sent as another function than the page shows and the
    // file keeps, so it is the defaults' entry instead.
    const bool bytes = std::all_of(e.begin(), e.end(), [](int v) { return v >= 0 && v <= 255; });
    if (!bytes && !isRecovery)
        return loadEntry(mode, index, true);
    return bytes ? e : Entry{0, 0, 0, 0};
}

void KeyMatrixModel::init(bool isSendData, bool isRecovery)
{
    for (int j = 0; j < 16; ++j) {
        m_office[j] = loadEntry(0, j, isRecovery);
        m_game[j] = loadEntry(1, j, isRecovery);
    }
    m_savedOffice = m_office;
    m_savedGame = m_game;
    emit entriesChanged();
    emit textsChanged();
    if (!m_loaded) {
        m_loaded = true;
        emit loadedChanged();
    }
    if (isSendData)
        saveData(true);
}

int KeyMatrixModel::storedMode() const
{
    return modeOf(store()->getData(QStringLiteral("mouse/mouseMode"), false));
}

bool KeyMatrixModel::saveData(bool)
{
    // Sent only once stored: the mouse never holds what the file lost.
    if (!storeData())
        return false;
    sendData();
    return true;
}

bool KeyMatrixModel::storeData()
{
    if (!m_loaded || !device())
        return false;
    if (!device()->storeKeyMatrix(m_mode, flatMatrix(0), flatMatrix(1)))
        return false;
    m_savedOffice = m_office;
    m_savedGame = m_game;
    return true;
}

void KeyMatrixModel::sendData()
{
    if (!m_loaded || !device())
        return;
    device()->sendKeyMatrix(m_mode, flatMatrix(0), flatMatrix(1), m_periods.slotPeriods());
}

void KeyMatrixModel::initMode(int mode)
{
    m_mode = mode == 1 ? 1 : 0;
    emit modeChanged();
    emit functionListsChanged();
    emit entriesChanged();
    emit textsChanged();
}

void KeyMatrixModel::resetKeys()
{
    setSave(true);
    m_beforeMacro.clear();
    emit textsChanged();
}

QVariantList KeyMatrixModel::macroSlots() const
{
    QVariantList found;
    for (const Binding &b : boundMacros(m_mode))
        found.append(
            QVariantMap{{QStringLiteral("slot"), b.slot}, {QStringLiteral("name"), b.name}});
    return found;
}

void KeyMatrixModel::releaseMacro(const QString &name)
{
    bool changed = false;
    Matrix matrices[2] = {m_office, m_game};
    const Matrix *saved[2] = {&m_savedOffice, &m_savedGame};
    for (int m = 0; m < 2; ++m) {
        for (int j = 0; j < 16; ++j) {
            const Entry &e = matrices[m].at(j);
            if (e[0] != 4 || macroName(m, e[2]) != name)
                continue;
            const QString key = QString::number(m) + QLatin1Char('/') + QString::number(j);
            Entry back = m_beforeMacro.value(key, saved[m]->at(j));
            if (back[0] == 4)
                back = saved[m]->at(j);
            if (back[0] == 4)
                back = loadEntry(m, j, true);
            matrices[m][j] = back;
            m_beforeMacro.remove(key);
            changed = true;
        }
    }
    if (!changed)
        return;
    m_office = matrices[0];
    m_game = matrices[1];
    emit entriesChanged();
    saveData(true);
    emit textsChanged();
}

void KeyMatrixModel::refreshTexts()
{
    emit textsChanged();
}

void KeyMatrixModel::sendBoundMacros()
{
    for (const Binding &b : boundMacros(m_mode))
        sendMacro(macros(), b.name, b.slot);
}

void KeyMatrixModel::resendMacro(const QString &name)
{
    for (const Binding &b : boundMacros(m_mode)) {
        if (b.name == name)
            sendMacro(macros(), name, b.slot);
    }
}

void KeyMatrixModel::renameMacro(const QString &oldName, const QString &newName)
{
    SettingsStore::WriteBatch batch(store()); // every slot of the name in one write
    for (int m = 0; m < 2; ++m) {
        for (int j = 0; j < AssignmentTable::kMacroSlots; ++j) {
            const Entry &e = matrix(m).at(j);
            if (e[0] == 4 && macroName(m, e[2]) == oldName)
                store()->setData(macroGroup(m) + QLatin1Char('/') + QString::number(e[2]), newName);
        }
    }
    emit textsChanged();
}

// ---- Editing

QVariantList KeyMatrixModel::entryOf(int index) const
{
    return index >= 0 && index < 16 ? toList(matrix(m_mode).at(index)) : QVariantList{0, 0, 0, 0};
}

QString KeyMatrixModel::labelOf(int index) const
{
    return labels().value(index);
}

int KeyMatrixModel::numberOf(int index) const
{
    const int at = int(labelOrder().indexOf(index));
    return at >= 0 ? at + 1 : index + 1;
}

QString KeyMatrixModel::textOf(int index) const
{
    return entryTexts().value(index);
}

bool KeyMatrixModel::isSoleLeftHolder(int index) const
{
    return soleLeftHolder(matrix(m_mode), index);
}

void KeyMatrixModel::setEntry(int index, const Entry &entry)
{
    active()[index] = entry;
    setSave(true);
    emit entriesChanged();
    emit textsChanged();
}

bool KeyMatrixModel::assign(int index, const QVariant &value)
{
    Entry entry{};
    return AssignmentTable::toEntry(value, &entry) && assignEntry(index, entry);
}

bool KeyMatrixModel::assignEntry(int index, const Entry &entry)
{
    if (index < 0 || index > 15 || labelOf(index).isEmpty())
        return false;
    if (refuses(matrix(m_mode), index, entry)) {
        emit leftButtonKept();
        return false;
    }
    setEntry(index, entry);
    return true;
}

bool KeyMatrixModel::bindMacro(int index, const QString &name, int playMode)
{
    if (!bindMacroUnsent(index, name, playMode))
        return false;
    sendMacro(macros(), name, index);
    return true;
}

bool KeyMatrixModel::bindMacroUnsent(int index, const QString &name, int playMode)
{
    if (index < 0 || index >= AssignmentTable::kMacroSlots || name.isEmpty() || playMode < 0 ||
        playMode > 2)
        return false;
    const Entry entry = AssignmentTable::macroEntry(playMode, index);
    if (refuses(matrix(m_mode), index, entry)) {
        emit leftButtonKept();
        return false;
    }
    const Entry before = matrix(m_mode).at(index);
    if (before[0] != 4)
        m_beforeMacro.insert(QString::number(m_mode) + QLatin1Char('/') + QString::number(index),
                             before);
    store()->setData(macroGroup(m_mode) + QLatin1Char('/') + QString::number(index), name);
    setEntry(index, entry);
    return true;
}

void KeyMatrixModel::chooseFunction(int index, int fn)
{
    if (fn < 0 || fn >= functionList().size())
        return;
    const QVariantMap f = functionList().at(fn).toMap();
    if (f.contains(QStringLiteral("entry"))) {
        assign(index, f.value(QStringLiteral("entry")));
        return;
    }
    const QString open = f.value(QStringLiteral("open")).toString();
    if (open == QLatin1String("dpi"))
        emit dpiAssignRequested(index);
    else if (open == QLatin1String("macro"))
        emit macroAssignRequested(index);
    else if (open == QLatin1String("combo"))
        emit combinationRequested(index);
    else
        emit assignmentRequested(index, open);
}

void KeyMatrixModel::openAssignment(int index)
{
    if (labelOf(index).isEmpty())
        return;
    if (isSoleLeftHolder(index)) {
        emit leftButtonKept();
        return;
    }
    emit assignmentRequested(index, QString());
}

QVariantList KeyMatrixModel::functionModel(int index) const
{
    if (index >= 0 && index < 16)
        return functionLists().models.at(index).toList();
    return makeFunctionModel(index, functionTexts());
}

QVariantList KeyMatrixModel::makeFunctionModel(int index, const QStringList &texts) const
{
    QVariantList model;
    for (int f = 0; f < functionList().size(); ++f) {
        if (!AssignmentTable::allowedAt(f, index, m_mode))
            continue;
        model.append(
            QVariantMap{{QStringLiteral("text"), texts.value(f)}, {QStringLiteral("fn"), f}});
    }
    return model;
}

int KeyMatrixModel::functionIndex(int index) const
{
    return index >= 0 && index < 16 ? functionLists().indexes.at(index).toInt() : -1;
}

QString KeyMatrixModel::functionCaption(int index) const
{
    return index >= 0 && index < 16 ? functionLists().captions.at(index) : QString();
}
